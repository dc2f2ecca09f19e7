#include "tools/diag/link_stats_dialog.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "diag/stats_summary.h"
#include "res/dialog_builder.h"
#include "res/link_stats_dialog_ids.h"
#include "res/prompter.h"
#include "res/templates.h"

namespace kaviro {

using namespace link_stats_ids;

namespace {
constexpr const char* kStartText = "开始记录";
constexpr const char* kStopText = "停止记录";
constexpr const char* kCaptureFilter = "pcapng (*.pcap *.pcapng)";
}  // namespace

CLinkStatsDlg::CLinkStatsDlg(LinkService& link, Prompter& prompter, QWidget* parent)
    : QDialog(parent), link_(link), prompter_(prompter) {
  res::BuildDialog(*this, res::kLinkStatsDialog);
  auto* list = res::Control<QTableWidget>(*this, kFigures);
  list->setColumnCount(2);
  list->horizontalHeader()->setStretchLastSection(true);
  list->horizontalHeader()->hide();
  connect(res::Control<QPushButton>(*this, kReset), &QPushButton::clicked, this, [this] {
    link_.stats().Reset();
    Refresh();
  });
  connect(res::Control<QPushButton>(*this, kRecord), &QPushButton::clicked, this, [this] { ToggleRecording(); });
  connect(&timer_, &QTimer::timeout, this, [this] { Refresh(); });
  timer_.start(kRefreshMs);
  Refresh();
}

CLinkStatsDlg::~CLinkStatsDlg() { StopRecording(); }

void CLinkStatsDlg::Refresh() {
  auto* list = res::Control<QTableWidget>(*this, kFigures);
  const std::vector<diag::StatRow> rows = diag::StatRows(link_.StatsNow());
  list->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const QString texts[2] = {QString::fromUtf8(rows[r].label), QString::fromStdString(rows[r].value)};
    for (int c = 0; c < 2; ++c) {
      QTableWidgetItem* item = list->item(r, c);
      if (!item) list->setItem(r, c, item = new QTableWidgetItem);
      if (item->text() != texts[c]) item->setText(texts[c]);
    }
  }
}

void CLinkStatsDlg::ToggleRecording() {
  if (capture_) return StopRecording();
  const QString path = prompter_.SaveFileName(this, QString::fromUtf8(kCaptureFilter));
  if (path.isEmpty()) return;
  std::string error;
  capture_ = diag::CaptureWriter::Open(path.toStdString(), link_.clock(), error);
  if (!capture_) {
    prompter_.Message(this, QString::fromStdString(error));
    return;
  }
  link_.AddFrameObserver(capture_.get());
  res::Control<QPushButton>(*this, kRecord)->setText(QString::fromUtf8(kStopText));
  res::Control<QLineEdit>(*this, kRecordFile)->setText(path);
}

void CLinkStatsDlg::StopRecording() {
  if (!capture_) return;
  link_.RemoveFrameObserver(capture_.get());
  capture_.reset();
  res::Control<QPushButton>(*this, kRecord)->setText(QString::fromUtf8(kStartText));
}

}  // namespace kaviro
