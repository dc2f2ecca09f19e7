#pragma once
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "link/frame_record.h"
#include "monitor/register_tables.h"

namespace kaviro::diag {

// A frame kept for the frame log window.
struct LoggedFrame {
  uint64_t timeUs;  // on the link's clock
  FrameDirection direction;
  FrameLayer layer;
  std::vector<uint8_t> bytes;
};

// The latest frames of the link, at most `capacity` of them: the oldest go first, so the log never
// grows however long it watches.
class FrameLog final : public FrameObserver {
 public:
  explicit FrameLog(size_t capacity = 2000) : capacity_(capacity) {}
  void OnFrame(const FrameRecord& frame) override;
  std::vector<LoggedFrame> Frames() const;
  // Frames ever seen, including those that have since been dropped.
  uint64_t Seen() const;
  void Clear();

 private:
  size_t capacity_;
  mutable std::mutex mutex_;
  std::deque<LoggedFrame> frames_;
  uint64_t seen_ = 0;
};

enum class CrcVerdict { kRight, kWrong, kNone };  // kNone: no CRC travels (TCP, raw packets)

struct FrameSummary {
  std::string text;  // function, unit, registers with the names of the register table
  CrcVerdict crc;
};

// What a frame says, for a person: a request ("读输入寄存器 单元1 0x0000×90 蓄电池电压…"), an
// answer ("应答 单元1 功能04 180字节"), an exception, a write with its value.
FrameSummary SummariseFrame(FrameLayer layer, FrameDirection direction, std::span<const uint8_t> bytes,
                            RegisterTable table);

}  // namespace kaviro::diag
