#include "tools/diag/frame_log_dialog.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <chrono>

#include "link/text_format.h"
#include "res/dialog_builder.h"
#include "res/frame_log_dialog_ids.h"
#include "res/templates.h"

namespace kaviro {

using namespace frame_log_ids;

namespace {

constexpr const char* kHeaders[kColumns] = {"时间", "方向", "数据", "说明", "CRC", "间隔(ms)"};

const char* CrcText(diag::CrcVerdict v) {
  switch (v) {
    case diag::CrcVerdict::kRight: return "正确";
    case diag::CrcVerdict::kWrong: return "错误";
    case diag::CrcVerdict::kNone: return "-";
  }
  return "";
}

const char* DirectionText(const diag::LoggedFrame& f) {
  const bool packet = f.layer == FrameLayer::kRadio;
  if (f.direction == FrameDirection::kOut) return packet ? "发送(包)" : "发送";
  return packet ? "接收(包)" : "接收";
}

int64_t WallUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

CFrameLogDlg::CFrameLogDlg(LinkService& link, RegisterTable table, ToConsole toConsole, QWidget* parent)
    : QDialog(parent),
      link_(link),
      table_(table),
      toConsole_(std::move(toConsole)),
      wallMinusClockUs_(WallUs() - static_cast<int64_t>(link.clock().NowUs())) {
  res::BuildDialog(*this, res::kFrameLogDialog);
  auto* list = res::Control<QTableWidget>(*this, kFrames);
  list->setColumnCount(kColumns);
  QStringList headers;
  for (const char* h : kHeaders) headers << QString::fromUtf8(h);
  list->setHorizontalHeaderLabels(headers);
  list->horizontalHeader()->setStretchLastSection(false);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(res::Control<QLineEdit>(*this, kFilter), &QLineEdit::textChanged, this, [this] { Refresh(); });
  connect(res::Control<QPushButton>(*this, kClear), &QPushButton::clicked, this, [this] {
    log_.Clear();
    shownSeen_ = UINT64_MAX;
    Refresh();
  });
  connect(res::Control<QPushButton>(*this, kCopyToConsole), &QPushButton::clicked, this, [this] {
    if (const std::optional<RawFields> fields = SelectedRequest(); fields && toConsole_) toConsole_(*fields);
  });
  link_.AddFrameObserver(&log_);
  connect(&timer_, &QTimer::timeout, this, [this] { Refresh(); });
  timer_.start(kRefreshMs);
}

CFrameLogDlg::~CFrameLogDlg() { link_.RemoveFrameObserver(&log_); }

void CFrameLogDlg::Refresh() {
  const QString filter = res::Control<QLineEdit>(*this, kFilter)->text().trimmed();
  const uint64_t seen = log_.Seen();
  if (seen == shownSeen_ && filter == shownFilter_) return;  // nothing new: the selection stays
  shownSeen_ = seen;
  shownFilter_ = filter;
  auto* list = res::Control<QTableWidget>(*this, kFrames);
  shown_.clear();
  std::vector<std::array<QString, kColumns>> rows;
  uint64_t previousUs = 0;
  bool first = true;
  for (diag::LoggedFrame& f : log_.Frames()) {
    const diag::FrameSummary summary = diag::SummariseFrame(f.layer, f.direction, f.bytes, table_);
    const QString hex = QString::fromStdString(HexBytes(f.bytes)).trimmed();
    const QString text = QString::fromStdString(summary.text);
    const QString gap = first ? QStringLiteral("-") : QString::number((f.timeUs - previousUs) / 1000.0, 'f', 1);
    first = false;
    previousUs = f.timeUs;
    if (!filter.isEmpty() && !hex.contains(filter, Qt::CaseInsensitive) && !text.contains(filter, Qt::CaseInsensitive))
      continue;
    const QDateTime at =
        QDateTime::fromMSecsSinceEpoch((static_cast<int64_t>(f.timeUs) + wallMinusClockUs_) / 1000);
    rows.push_back({at.toString(QStringLiteral("HH:mm:ss.zzz")), QString::fromUtf8(DirectionText(f)), hex, text,
                    QString::fromUtf8(CrcText(summary.crc)), gap});
    shown_.push_back(std::move(f));
  }
  list->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    for (int c = 0; c < kColumns; ++c) list->setItem(r, c, new QTableWidgetItem(rows[r][c]));
  list->scrollToBottom();
}

std::optional<RawFields> CFrameLogDlg::SelectedRequest() const {
  const int row = res::Control<QTableWidget>(*this, kFrames)->currentRow();
  if (row < 0 || row >= static_cast<int>(shown_.size())) return std::nullopt;
  const diag::LoggedFrame& f = shown_[static_cast<size_t>(row)];
  if (f.direction != FrameDirection::kOut || f.layer == FrameLayer::kRadio) return std::nullopt;
  if (f.layer == FrameLayer::kRtu) return RawFieldsOf(f.bytes);
  // A network request carries no CRC: the console's frame is the one it stands for.
  if (f.bytes.size() < 8) return std::nullopt;
  const RtuFrame rtu = RtuFrame::Seal(std::span<const uint8_t>(f.bytes).subspan(6));
  return RawFieldsOf(rtu.Bytes());
}

}  // namespace kaviro
