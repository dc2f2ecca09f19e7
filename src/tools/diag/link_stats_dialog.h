#pragma once
#include <QDialog>
#include <QTimer>
#include <memory>

#include "diag/capture_writer.h"
#include "link/link_service.h"

namespace kaviro {

class Prompter;

// The link's counters, refreshed every second while the polls go on; a reset, and a capture of
// every frame to a file picked with the save dialog ("开始记录" / "停止记录"). Not modal: it
// only reads the counters and watches frames, it never takes the link.
class CLinkStatsDlg final : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kRefreshMs = 1000;

  CLinkStatsDlg(LinkService& link, Prompter& prompter, QWidget* parent = nullptr);
  ~CLinkStatsDlg() override;

  void Refresh();
  void ToggleRecording();
  bool Recording() const { return capture_ != nullptr; }

 private:
  void StopRecording();

  LinkService& link_;
  Prompter& prompter_;
  QTimer timer_;
  std::unique_ptr<diag::CaptureWriter> capture_;
};

}  // namespace kaviro
