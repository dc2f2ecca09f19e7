#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "monitor/decode_context.h"
#include "monitor/decoded_values.h"

namespace kaviro {

// Block numbers of the three poll reads, starting at 0x0000, 0xE000 and 0xE080.
inline constexpr int kBlockInput = 0, kBlockHolding = 3, kBlockLighting = 4;

struct RegisterText {
  uint16_t address;
  std::string text;
};

struct DecodedTexts {
  // In decoding order. A register that did not arrive, or whose value has no text, is absent
  // and its rows keep what they showed.
  std::vector<RegisterText> registers;
  std::optional<std::string> clock;   // status pane 1 (block 0 only)
  std::optional<std::string> status;  // status pane 0 (block 0, serial and wireless only)
};

// Decodes an accepted read answer (address, function, byte count, data..., as many bytes as
// arrived) into `values` and formats the texts. Registers whose words did not all arrive keep
// their previous values. An unknown block decodes nothing.
DecodedTexts DecodeBlock(int block, std::span<const uint8_t> answer, const DecodeContext& context,
                         DecodedValues& values);

}  // namespace kaviro
