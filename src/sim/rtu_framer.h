#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kaviro::sim {

// Length of the RTU request that starts `bytes`, CRC included: 0 while too few bytes are in to
// tell, kUnknownLength for functions whose layout is not known here.
inline constexpr size_t kUnknownLength = static_cast<size_t>(-1);
size_t RtuRequestLength(std::span<const uint8_t> bytes);

struct RtuRequest {
  std::vector<uint8_t> frame;
  // The request came as a zero-filled 16-byte block; the answer goes back the same way.
  bool padded = false;
};

// Cuts a serial byte stream into requests: a request is complete when its function's layout is
// filled and its CRC checks. Bytes that cannot begin one are dropped, and a partial request is
// dropped after a quiet gap on the line.
class RtuFramer {
 public:
  static constexpr size_t kBlock = 16;
  static constexpr size_t kMaxBuffered = 512;

  explicit RtuFramer(int gapMs) : gapMs_(gapMs) {}

  std::vector<RtuRequest> Feed(std::span<const uint8_t> bytes, int64_t nowMs);
  void Expire(int64_t nowMs);
  std::optional<int64_t> Deadline() const;
  void Clear() { buffer_.clear(); }
  size_t Pending() const { return buffer_.size(); }

 private:
  size_t CompleteAt(size_t offset) const;

  int gapMs_;
  int64_t lastByteMs_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace kaviro::sim
