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
  // Drops the link and opens it again, 1 s, 2 s, 4 s … at most 30 s apart, until it opens or
  // `stop` says to give up. The pauses run on the link's clock, in slices `stop` can cut short.
  bool Reopen(const std::function<bool()>& stop);

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
};

}  // namespace kaviro::cli
