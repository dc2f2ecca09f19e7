#pragma once
#include <QDialog>
#include <vector>

#include "tools/common/tool_context.h"
#include "tools/log/log_export.h"
#include "tools/log/log_record.h"

class QComboBox;
class QLineEdit;
class QTableWidget;
class QTabWidget;
QT_BEGIN_NAMESPACE
class QChartView;
QT_END_NAMESPACE

namespace kaviro {

// Fetches the controller's daily log records (the latest one, or all) into a list, shows them as
// a chart on a second page, and saves the list as text or spreadsheet text and the chart as PNG.
class CLogReadDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CLogReadDlg(const ToolContext& context);

  void Read(bool latest);
  void ClearList();
  void Export(const LogExportFormat& format);
  // The list as a chart (battery voltage and energy per day), saved as PNG.
  void SaveChart();
  // The list as shown, top row first.
  std::vector<LogRow> Rows() const;
  // The chart page, drawn afresh from the list whenever it is shown.
  void ShowChartPage();

 private:
  void RefreshChart();

  ToolContext context_;
  QComboBox* address_;
  QLineEdit* request_;
  QTableWidget* list_;
  QTabWidget* pages_;
  QChartView* chart_;
};

}  // namespace kaviro
