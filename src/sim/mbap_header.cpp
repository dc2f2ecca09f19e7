#include "sim/mbap_header.h"

namespace kaviro::sim {

namespace {
uint16_t BigEndianAt(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] << 8 | b[at + 1]); }
}  // namespace

std::optional<MbapHeader> MbapHeader::Decode(std::span<const uint8_t> bytes) {
  if (bytes.size() < kSize) return std::nullopt;
  return MbapHeader{BigEndianAt(bytes, 0), BigEndianAt(bytes, 2), BigEndianAt(bytes, 4)};
}

std::array<uint8_t, MbapHeader::kSize> MbapHeader::Encode() const {
  return {static_cast<uint8_t>(transaction >> 8), static_cast<uint8_t>(transaction),
          static_cast<uint8_t>(protocol >> 8),    static_cast<uint8_t>(protocol),
          static_cast<uint8_t>(length >> 8),      static_cast<uint8_t>(length)};
}

}  // namespace kaviro::sim
