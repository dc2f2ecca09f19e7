#include "monitor/register_words.h"

#include <algorithm>

namespace kaviro {

RegisterWords WordsOf(std::span<const uint8_t> answer) {
  constexpr size_t kHeader = 3;  // address, function, byte count
  RegisterWords out;
  if (answer.size() < kHeader) return out;
  const size_t claimed = answer[2] / 2;
  const size_t present = (answer.size() - kHeader) / 2;
  out.count = std::min({claimed, present, RegisterWords::kCapacity});
  for (size_t i = 0; i < out.count; ++i) {
    out.words[i] = static_cast<uint16_t>(answer[kHeader + 2 * i] << 8 | answer[kHeader + 2 * i + 1]);
  }
  return out;
}

}  // namespace kaviro
