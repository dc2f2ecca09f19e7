#include "sim/rtu_framer.h"

#include <algorithm>

#include "link/crc16.h"

namespace kaviro::sim {

namespace {

constexpr uint8_t kHighestAddress = 247;
constexpr size_t kShortestFrame = 4;

struct Layout {
  uint8_t function;
  size_t fixed;        // total length, or the length before the count byte
  int countAt;         // offset of a byte count that adds to the length, -1 when none
};

// Requests whose size the function code tells (the 0x2B update is handled apart).
constexpr Layout kLayouts[] = {
    {0x01, 8, -1}, {0x02, 8, -1}, {0x03, 8, -1}, {0x04, 8, -1}, {0x05, 8, -1}, {0x06, 8, -1}, {0x08, 8, -1},
    {0x07, 4, -1}, {0x0B, 4, -1}, {0x0C, 4, -1}, {0x11, 4, -1},
    {0x0F, 9, 6},  {0x10, 9, 6},
};

constexpr uint8_t kDeviceIdentification = 0x2B;
constexpr uint8_t kMei = 0x0E;
constexpr uint8_t kUpdateCode = 0x02;

}  // namespace

size_t RtuRequestLength(std::span<const uint8_t> b) {
  if (b.size() < 2) return 0;
  if (b[1] == kDeviceIdentification) {
    if (b.size() < 4) return 0;
    if (b[2] != kMei || b[3] != kUpdateCode) return 7;
    // address 2B 0E 02 00 N, then N bytes, then the CRC
    return b.size() < 6 ? 0 : 8 + static_cast<size_t>(b[5]);
  }
  for (const Layout& l : kLayouts) {
    if (l.function != b[1]) continue;
    if (l.countAt < 0) return l.fixed;
    return b.size() <= static_cast<size_t>(l.countAt) ? 0 : l.fixed + b[static_cast<size_t>(l.countAt)];
  }
  return kUnknownLength;
}

size_t RtuFramer::CompleteAt(size_t offset) const {
  const std::span<const uint8_t> rest = std::span<const uint8_t>(buffer_).subspan(offset);
  if (rest.empty() || rest[0] > kHighestAddress) return 0;
  const size_t length = RtuRequestLength(rest);
  if (length == 0) return 0;
  if (length == kUnknownLength) {
    // Without a known layout only what starts the buffer is tried, at every length its CRC
    // could close; inside other bytes a chance CRC match would be too likely.
    if (offset != 0) return 0;
    for (size_t n = kShortestFrame; n <= rest.size(); ++n)
      if (HasValidCrc(rest.first(n))) return n;
    return 0;
  }
  return rest.size() >= length && HasValidCrc(rest.first(length)) ? length : 0;
}

std::vector<RtuRequest> RtuFramer::Feed(std::span<const uint8_t> bytes, int64_t nowMs) {
  std::vector<RtuRequest> out;
  if (bytes.empty()) return out;
  lastByteMs_ = nowMs;
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  if (buffer_.size() > kMaxBuffered)
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(buffer_.size() - kMaxBuffered));
  for (bool found = true; found && !buffer_.empty();) {
    found = false;
    for (size_t offset = 0; offset < buffer_.size() && !found; ++offset) {
      const size_t length = CompleteAt(offset);
      if (!length) continue;
      found = true;
      RtuRequest request;
      request.frame.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(offset),
                           buffer_.begin() + static_cast<std::ptrdiff_t>(offset + length));
      size_t end = offset + length;
      if (length < kBlock && buffer_.size() >= offset + kBlock &&
          std::all_of(buffer_.begin() + static_cast<std::ptrdiff_t>(end),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(offset + kBlock), [](uint8_t b) { return b == 0; })) {
        request.padded = true;
        end = offset + kBlock;
      }
      buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(end));
      out.push_back(std::move(request));
    }
  }
  return out;
}

void RtuFramer::Expire(int64_t nowMs) {
  if (!buffer_.empty() && nowMs - lastByteMs_ >= gapMs_) buffer_.clear();
}

std::optional<int64_t> RtuFramer::Deadline() const {
  if (buffer_.empty()) return std::nullopt;
  return lastByteMs_ + gapMs_;
}

}  // namespace kaviro::sim
