#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "config/append_file.h"
#include "link/clock.h"
#include "link/frame_record.h"

namespace kaviro::diag {

// Writes every frame it is shown to a pcapng file, each one in a single write straight to the
// file: what was captured before a crash is in the file, and the file is whole after every frame.
class CaptureWriter final : public FrameObserver {
 public:
  // Creates (or empties) `path` and writes the file's header. Nothing, and `error` says why, when
  // the file cannot be written. Frame times on `clock` become wall-clock times.
  static std::unique_ptr<CaptureWriter> Open(const std::string& path, Clock& clock, std::string& error);
  ~CaptureWriter() override;
  CaptureWriter(const CaptureWriter&) = delete;
  CaptureWriter& operator=(const CaptureWriter&) = delete;

  void OnFrame(const FrameRecord& frame) override;
  // False once a write failed (the disk full): later frames are not written.
  bool ok() const { return file_->ok(); }
  uint64_t frames() const { return frames_; }

 private:
  CaptureWriter(std::unique_ptr<AppendFile> file, int64_t wallMinusClockUs);
  void Put(std::span<const uint8_t> block);
  // The Modbus/TCP frame as the payload of a TCP segment in an IPv4 packet in an Ethernet frame.
  void Segment(FrameDirection direction, std::span<const uint8_t> payload);

  std::unique_ptr<AppendFile> file_;
  int64_t wallMinusClockUs_;
  uint64_t frames_ = 0;
  uint32_t toolSeq_ = 1, controllerSeq_ = 1;
  uint16_t ipId_ = 0;
  std::vector<uint8_t> block_, packet_;  // kept between frames: no allocation once they are grown
};

}  // namespace kaviro::diag
