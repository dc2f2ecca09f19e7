#pragma once
#include <QDialog>
#include <QTimer>
#include <functional>
#include <optional>

#include "diag/frame_log.h"
#include "link/link_service.h"
#include "monitor/register_tables.h"
#include "tools/console/raw_frame.h"

namespace kaviro {

// The frames of the link while the window is open: time, direction, bytes, what they say, the
// CRC verdict and the gap since the frame before; a filter on the bytes and the summary; and
// "复制到控制台", which hands the selected request to the raw frame console. Not modal.
class CFrameLogDlg final : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kRefreshMs = 500;
  using ToConsole = std::function<void(const RawFields&)>;

  CFrameLogDlg(LinkService& link, RegisterTable table, ToConsole toConsole, QWidget* parent = nullptr);
  ~CFrameLogDlg() override;

  void Refresh();
  // The selected row's request as the console's fields; nothing for an answer or another function.
  std::optional<RawFields> SelectedRequest() const;

 private:
  LinkService& link_;
  RegisterTable table_;
  ToConsole toConsole_;
  diag::FrameLog log_;
  int64_t wallMinusClockUs_;
  QTimer timer_;
  uint64_t shownSeen_ = UINT64_MAX;
  QString shownFilter_;
  std::vector<diag::LoggedFrame> shown_;  // the rows, as listed
};

}  // namespace kaviro
