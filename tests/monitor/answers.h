#pragma once
#include <cstdint>
#include <map>
#include <vector>

#include "monitor/decoder.h"

namespace kaviro::test {

// Word offset inside the block → word value; unlisted words are 0.
using Words = std::map<size_t, uint16_t>;

inline size_t RegistersOf(int block) { return block == kBlockInput ? 90 : block == kBlockHolding ? 27 : 78; }

// A read answer as it sits in the receive buffer: address, function, byte count, the words high
// byte first, two CRC bytes (the decoder does not look at them).
inline std::vector<uint8_t> Answer(int block, const Words& words = {}) {
  const size_t registers = RegistersOf(block);
  std::vector<uint8_t> bytes = {0x01, static_cast<uint8_t>(block == kBlockInput ? 0x04 : 0x03),
                                static_cast<uint8_t>(2 * registers)};
  for (size_t i = 0; i < registers; ++i) {
    const auto it = words.find(i);
    const uint16_t w = it == words.end() ? 0 : it->second;
    bytes.push_back(static_cast<uint8_t>(w >> 8));
    bytes.push_back(static_cast<uint8_t>(w & 0xFF));
  }
  bytes.push_back(0xA5);
  bytes.push_back(0x5A);
  return bytes;
}

inline const DecodeContext kSerialChinese{.batteryVoltage = 0, .workMode = 0, .comPort = 2, .deviceId = 1,
                                          .pollInterval = 3, .language = 1};

inline const std::string* TextFor(const DecodedTexts& texts, uint16_t address) {
  for (const auto& entry : texts.registers) {
    if (entry.address == address) return &entry.text;
  }
  return nullptr;
}

}  // namespace kaviro::test
