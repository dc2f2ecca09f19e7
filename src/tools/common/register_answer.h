#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "tools/common/result.h"

namespace kaviro {

inline constexpr const char* kAddressMismatchText = "ModBus地址不匹配";
inline constexpr const char* kBadFormatText = "格式不正确";

// The function-3 answer check of the controller information and the test console, in its order:
// B[0] the address asked, B[1] 03 and no more bytes than B[2] + 5 counted (`counted` as an RTU
// frame with its CRC, also on the network), off the network the CRC behind the data, then the
// `dataBytes` the caller takes must have come and be counted in B[2]. Bytes that did not arrive
// are never looked at.
enum class RegisterVerdict {
  kGood,
  kAddress,  // from another device: "ModBus地址不匹配"
  kFormat,   // another function, or surplus bytes: "格式不正确"
  kCrc,      // the CRC is wrong or not all there
  kShort,    // the data the caller takes did not come
};
RegisterVerdict CheckRegisterAnswer(std::span<const uint8_t> b, int counted, uint8_t unit, bool network,
                                    size_t dataBytes);
// The message of a verdict; empty for those dropped without a word.
const char* RegisterVerdictText(RegisterVerdict verdict);
// The check as a refusal (a bad answer with the verdict's message); nothing when the answer is good.
std::optional<Result<>> RegisterAnswerRefusal(std::span<const uint8_t> b, int counted, uint8_t unit, bool network,
                                              size_t dataBytes);

}  // namespace kaviro
