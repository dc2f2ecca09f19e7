#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kaviro::sim {

// The adapter's side of the 16-byte packets: raw line bytes in, the data bytes they carry out.
// A partial packet is dropped after a quiet gap. A block whose count byte is not 1..15 is no
// packet; it is passed on whole, for senders that write a plain frame padded to 16 bytes.
class RadioJoiner {
 public:
  explicit RadioJoiner(int gapMs) : gapMs_(gapMs) {}

  std::vector<uint8_t> Feed(std::span<const uint8_t> bytes, int64_t nowMs);
  void Expire(int64_t nowMs);
  std::optional<int64_t> Deadline() const;
  void Clear() { partial_.clear(); }

 private:
  int gapMs_;
  int64_t lastByteMs_ = 0;
  std::vector<uint8_t> partial_;
};

}  // namespace kaviro::sim
