#include "cli/controller_session.h"

#include <algorithm>
#include <mutex>

namespace kaviro::cli {

namespace {
const std::string kNoLine;
}  // namespace

ControllerSession::ControllerSession(LinkService& link, AppConfig config, LinkOverrides overrides)
    : link_(link), config_(std::move(config)), overrides_(std::move(overrides)) {}

ControllerSession::~ControllerSession() {
  if (capture_) link_.RemoveFrameObserver(capture_.get());
}

bool ControllerSession::StartCapture() {
  if (!overrides_.capture || capture_) return true;
  std::string why;
  capture_ = diag::CaptureWriter::Open(*overrides_.capture, link_.clock(), why);
  if (!capture_) {
    error_ = "kaviro-cli: cannot write the capture file " + why;
    return false;
  }
  link_.AddFrameObserver(capture_.get());
  return true;
}

bool ControllerSession::Open() {
  if (!StartCapture()) return false;
  if (opened_) Drop();
  opened_ = OpenLink(link_, config_, overrides_);
  error_ = opened_->ok ? std::string() : opened_->error;
  return opened_->ok;
}

const std::string& ControllerSession::StatusLine() const { return opened_ ? opened_->statusLine : kNoLine; }

bool ControllerSession::Gone() {
  if (!opened_ || !opened_->ok) return true;
  if (opened_->tcp) return opened_->PumpClose();
  return link_.SerialVanished();
}

void ControllerSession::Drop() {
  // Under the lock: a dialog's or command's exchange may still hold the old link.
  std::lock_guard lock(link_.Mutex());
  if (opened_ && opened_->tcp) {
    link_.SetConnected(false);
    link_.SetConnection(nullptr);
  } else {
    link_.CloseSerial();
  }
  opened_.reset();
}

void ControllerSession::Lose() {
  Drop();
  down_ = true;
  pauseMs_ = kFirstPauseMs;
  retryAtMs_ = link_.clock().NowMs() + static_cast<uint64_t>(pauseMs_);
}

bool ControllerSession::Retry() {
  if (!down_) return true;
  const uint64_t now = link_.clock().NowMs();
  if (now < retryAtMs_) return false;
  if (Open()) {
    down_ = false;
    return true;
  }
  pauseMs_ = std::min(pauseMs_ * 2, kLongestPauseMs);
  retryAtMs_ = link_.clock().NowMs() + static_cast<uint64_t>(pauseMs_);
  return false;
}

}  // namespace kaviro::cli
