#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kaviro {

// The data words of a read answer (address, function, byte count, data...), big-endian on
// the wire. Only words whose two bytes really arrived are counted.
struct RegisterWords {
  static constexpr size_t kCapacity = 256;
  std::array<uint16_t, kCapacity> words{};
  size_t count = 0;

  // True when words [first, first + n) all arrived.
  bool Has(size_t first, size_t n) const { return first + n <= count; }
};

// Bounded by the byte count the answer claims, by the bytes present and by kCapacity.
RegisterWords WordsOf(std::span<const uint8_t> answer);

}  // namespace kaviro
