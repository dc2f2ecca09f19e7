#pragma once
#include <QDialog>

#include "tools/common/tool_context.h"
#include "tools/controller/param_register.h"
#include "tools/controller/param_rows.h"

class QDateTimeEdit;

namespace kaviro {


// Reads and sets the controller's parameters one row at a time, and its clock. On opening it
// shows the parameter cache and reads the clock.
class CParamSetDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CParamSetDlg(const ToolContext& context);

  // What the dialog does when it first shows (after the menu command paused the poll).
  void Initialise();
  void ReadRow(const ParamRow& row);
  void WriteRow(const ParamRow& row);
  void ReadControllerClock();
  void WriteControllerClock();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  LinkMode Mode() const;
  uint8_t Unit() const;
  void ShowCached(const ParamRow& row, const DecodedValues& cached);
  template <typename T>
  void Tell(const Result<T>& result) { Tell(result.template As<Nothing>()); }
  void Tell(const Result<>& result);

  ToolContext context_;
  QDateTimeEdit* date_;
  QDateTimeEdit* time_;
  bool initialised_ = false;
};

}  // namespace kaviro
