#include "sim/radio_joiner.h"

#include "link/radio_packet.h"

namespace kaviro::sim {

std::vector<uint8_t> RadioJoiner::Feed(std::span<const uint8_t> bytes, int64_t nowMs) {
  std::vector<uint8_t> data;
  if (bytes.empty()) return data;
  lastByteMs_ = nowMs;
  for (uint8_t b : bytes) {
    partial_.push_back(b);
    if (partial_.size() < kPacketSize) continue;
    const uint8_t count = partial_[kPacketData];
    const size_t take = count >= 1 && count <= kPacketData ? count : kPacketSize;
    data.insert(data.end(), partial_.begin(), partial_.begin() + static_cast<std::ptrdiff_t>(take));
    partial_.clear();
  }
  return data;
}

void RadioJoiner::Expire(int64_t nowMs) {
  if (!partial_.empty() && nowMs - lastByteMs_ >= gapMs_) partial_.clear();
}

std::optional<int64_t> RadioJoiner::Deadline() const {
  if (partial_.empty()) return std::nullopt;
  return lastByteMs_ + gapMs_;
}

}  // namespace kaviro::sim
