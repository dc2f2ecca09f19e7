#include "tools/log/log_read_dialog.h"

#include "tools/chart/qt_chart.h"
#include "tools/log/log_chart_data.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include "config/app_config.h"
#include "config/atomic_file.h"
#include "link/text_format.h"
#include "res/dialog_builder.h"
#include "res/log_dialog_ids.h"
#include "res/prompter.h"
#include "res/templates.h"
#include "tools/common/address_entry.h"
#include "tools/common/busy_cursor.h"
#include "tools/log/log_reader.h"

namespace kaviro {

CLogReadDlg::CLogReadDlg(const ToolContext& context) : context_(context) {
  res::BuildDialog(*this, res::kLogReadDialog);
  address_ = res::Control<QComboBox>(*this, log_ids::kAddress);
  request_ = res::Control<QLineEdit>(*this, log_ids::kRequest);
  list_ = res::Control<QTableWidget>(*this, log_ids::kList);

  for (const std::string& item : AddressListItems()) address_->addItem(QString::fromStdString(item));
  address_->setCurrentIndex(0);
  request_->setText(QString::fromStdString(HexBytes(LogRequest(1, true).Bytes())));

  list_->setColumnCount(kLogColumns);
  for (int c = 0; c < static_cast<int>(kLogColumns); ++c) {
    list_->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(kLogListColumns[c].heading)));
    list_->setColumnWidth(c, kLogListColumns[c].width);
  }
  list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  // The list and its chart share the list's place, one page each.
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QString::number(log_ids::kPages));
  pages_->setGeometry(list_->geometry());
  chart_ = new QChartView;
  chart_->setObjectName(QString::number(log_ids::kChart));
  pages_->addTab(list_, QString::fromUtf8("记录"));
  pages_->addTab(chart_, QString::fromUtf8("图表"));
  connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
    if (page == 1) RefreshChart();
  });

  auto on = [this](int id, auto action) {
    connect(res::Control<QPushButton>(*this, id), &QPushButton::clicked, this, action);
  };
  on(log_ids::kReadLatest, [this] { Read(true); });
  on(log_ids::kReadAll, [this] { Read(false); });
  on(log_ids::kClearList, [this] { ClearList(); });
  on(log_ids::kSaveText, [this] { Export(kLogText); });
  on(log_ids::kSaveSpreadsheet, [this] { Export(kLogSpreadsheet); });
  on(log_ids::kSaveChart, [this] { SaveChart(); });
  on(log_ids::kExit, [this] { reject(); });
}

void CLogReadDlg::Read(bool latest) {
  std::string message;
  const std::optional<uint8_t> unit = ParseAddressEntry(address_->currentText().toStdString(), message);
  if (!unit) {
    context_.prompter.Message(this, QString::fromStdString(message));
    return;
  }
  request_->setText(QString::fromStdString(HexBytes(LogRequest(*unit, latest).Bytes())));
  const Result<std::vector<LogRow>> read = [&] {
    BusyCursor busy;
    return ReadLog(context_.link, LinkModeOf(context_.config.Get().workMode), *unit, latest);
  }();
  // New records go on top, in answer order, above whatever the list held.
  const std::vector<LogRow> records = read.value.value_or(std::vector<LogRow>{});
  for (int r = 0; r < static_cast<int>(records.size()); ++r) {
    list_->insertRow(r);
    for (int c = 0; c < static_cast<int>(kLogColumns); ++c)
      list_->setItem(r, c, new QTableWidgetItem(QString::fromStdString(records[r][c])));
  }
  if (pages_->currentIndex() == 1) RefreshChart();
  for (const Notice& n : read.notices) context_.prompter.Message(this, QString::fromStdString(n.text));
}

void CLogReadDlg::ClearList() {
  list_->setRowCount(0);
  if (pages_->currentIndex() == 1) RefreshChart();
}

void CLogReadDlg::ShowChartPage() {
  pages_->setCurrentIndex(1);
  RefreshChart();
}

void CLogReadDlg::RefreshChart() {
  QChart* old = chart_->chart();
  chart_->setChart(BuildChart(LogChartOf(Rows())).release());
  delete old;  // the view lets go of the chart it had, without deleting it
}

std::vector<LogRow> CLogReadDlg::Rows() const {
  std::vector<LogRow> rows(static_cast<size_t>(list_->rowCount()));
  for (int r = 0; r < list_->rowCount(); ++r)
    for (int c = 0; c < static_cast<int>(kLogColumns); ++c)
      if (const QTableWidgetItem* cell = list_->item(r, c)) rows[r][c] = cell->text().toStdString();
  return rows;
}

void CLogReadDlg::Export(const LogExportFormat& format) {
  const QString chosen = context_.prompter.SaveFileName(this, QString::fromUtf8(format.filter));
  if (chosen.isEmpty()) return;
  const QString path = chosen + QString::fromUtf8(format.extension);  // always, as the list expects
  if (list_->rowCount() == 0) {
    context_.prompter.Message(this, QString::fromUtf8(kLogEmptyText));
    return;
  }
  if (!WriteFileAtomically(path.toStdString(), LogExportBytes(Rows(), format)))
    context_.prompter.Message(this, QString::fromStdString(Format(kLogCannotWriteText, path.toStdString().c_str())));
}

void CLogReadDlg::SaveChart() {
  const QString chosen = context_.prompter.SaveFileName(this, QStringLiteral("PNG (*.png)"));
  if (chosen.isEmpty()) return;
  if (list_->rowCount() == 0) {
    context_.prompter.Message(this, QString::fromUtf8(kLogEmptyText));
    return;
  }
  const QString path = chosen.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) ? chosen : chosen + ".png";
  if (!RenderChart(LogChartOf(Rows())).save(path, "PNG"))
    context_.prompter.Message(this, QString::fromStdString(Format(kLogCannotWriteText, path.toStdString().c_str())));
}

}  // namespace kaviro
