#pragma once
#include <functional>
#include <memory>
#include <string>

#include "cli/open_link.h"
#include "diag/capture_writer.h"

namespace kaviro::cli {

// The controller link of a command that runs unattended: opened once and, after the controller
// closed the connection (it restarted) or the serial device vanished (an adapter unplugged),
// opened again with growing pauses between the attempts.
class ControllerSession {
 public:
  ControllerSession(LinkService& link, AppConfig config, LinkOverrides overrides);
  ~ControllerSession();
  ControllerSession(const ControllerSession&) = delete;
  ControllerSession& operator=(const ControllerSession&) = delete;

  // One attempt; on failure Error() holds the tool's text. The capture file, when asked for, is
  // created on the first attempt and kept over reopening.
  bool Open();
  const std::string& Error() const { return error_; }
  // Network: the work-mode line of the connection.
  const std::string& StatusLine() const;
  // The controller closed the connection, or the serial device went away under its handle.
  bool Gone();
  // Drops the link; attempts to open it again follow 1 s, 2 s, 4 s … at most 30 s apart, each
  // made by Retry once it is due on the link's clock. The caller goes on with its other links.
  void Lose();
  bool Down() const { return down_; }
  // When the next attempt is due: one attempt; true once the link is open again.
  bool Retry();

  static constexpr int kFirstPauseMs = 1000;
  static constexpr int kLongestPauseMs = 30000;

 private:
  void Drop();
  bool StartCapture();

  LinkService& link_;
  AppConfig config_;
  LinkOverrides overrides_;
  std::unique_ptr<OpenedLink> opened_;
  std::unique_ptr<diag::CaptureWriter> capture_;
  std::string error_;
  bool down_ = false;
  int pauseMs_ = kFirstPauseMs;
  uint64_t retryAtMs_ = 0;
};

}  // namespace kaviro::cli
