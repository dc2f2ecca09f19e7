#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace kaviro {

inline constexpr const char* kAddressMismatchText = "ModBus地址不匹配";
inline constexpr const char* kBadFormatText = "格式不正确";

struct CheckedAnswer {
  bool ok = false;
  std::string message;  // empty when a refused answer is dropped silently
};

// The network and wireless groups' check of a register read answer B of count n: B[0] is the
// address asked, B[1] is 03 and B[2] + 5 is not below n, and off the network the CRC follows the
// data. The `dataBytes` the handler takes must have arrived and be counted in B[2]; otherwise
// the answer is dropped silently, as one too short.
CheckedAnswer CheckRegisterAnswer(std::span<const uint8_t> b, int n, uint8_t unit, bool network, size_t dataBytes);

}  // namespace kaviro
