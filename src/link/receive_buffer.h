#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace kaviro {

// The last answer as a plain RTU frame. `count` is its length counted with the two CRC bytes,
// also in network mode where no CRC travels; `stored` is how many bytes really are in `bytes`.
struct ReceiveBuffer {
  static constexpr size_t kSize = 256;
  std::array<uint8_t, kSize> bytes{};
  int count = 0;
  size_t stored = 0;

  // Copies at most kSize bytes; count follows what was stored.
  void Assign(std::span<const uint8_t> answer) {
    stored = std::min(answer.size(), kSize);
    std::copy_n(answer.begin(), stored, bytes.begin());
    count = static_cast<int>(stored);
  }
  std::span<const uint8_t> Stored() const { return {bytes.data(), stored}; }
  void Clear() {
    bytes.fill(0);
    count = 0;
    stored = 0;
  }
};

}  // namespace kaviro
