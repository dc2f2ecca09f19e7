#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kaviro::sim {

// The six bytes in front of every Modbus/TCP frame, all fields high byte first. The simulator reads
// and writes them itself rather than with the tool's helpers, so that a slip in one side's header
// code cannot be matched by the same slip on the other side.
struct MbapHeader {
  static constexpr size_t kSize = 6;

  uint16_t transaction = 0;
  uint16_t protocol = 0;
  uint16_t length = 0;  // the bytes behind the header: the unit id and the PDU

  // Nothing until all six bytes are in.
  static std::optional<MbapHeader> Decode(std::span<const uint8_t> bytes);
  std::array<uint8_t, kSize> Encode() const;

  bool operator==(const MbapHeader&) const = default;
};

}  // namespace kaviro::sim
