#pragma once
#include <QDialog>

#include "tools/common/result.h"
#include "tools/common/tool_context.h"
#include "tools/controller/controller_info.h"

class QLineEdit;

namespace kaviro {


// The controller's battery presets (the last type editable and writable), its DIP switches, and
// its fault and alarm bits. Nothing is read until a button asks.
class CControllerInfoDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CControllerInfoDlg(const ToolContext& context);

  void ReadTable();
  void SetCustomRow();
  void ReadSwitches();
  void ReadFaultsAndAlarms();

 private:
  LinkMode Mode() const;
  uint8_t Unit() const;
  template <typename T>
  void Show(const Result<T>& result) {
    for (const Notice& n : result.notices) Say(n);
  }
  void Say(const Notice& notice);
  void Light(int id, bool lit);
  void SetText(int id, const QString& text);

  ToolContext context_;
  // Reads since the dialog opened.
  int switchReads_ = 0;
  int faultReads_ = 0;
};

}  // namespace kaviro
