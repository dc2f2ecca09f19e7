#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "link/link_service.h"
#include "tools/common/result.h"

namespace kaviro {

// The console's four fields as typed: address (two hex characters), function code (two),
// start register (four) and value or register count (four).
struct RawFields {
  std::string address;
  std::string function;
  std::string start;
  std::string value;
};

// The fields that compose `request` again: an 8-byte request of a function the console offers;
// nothing for any other frame.
std::optional<RawFields> RawFieldsOf(std::span<const uint8_t> request);

// An 8-byte frame built from the fields, and how the console shows it.
struct ComposedFrame {
  RtuFrame frame;
  std::string crcText;    // high byte first, the reverse of the wire order
  std::string frameText;  // "%02X " per byte
};

// Checks the fields in order; the first that fails is refused with its message.
Result<ComposedFrame> ComposeRawFrame(const RawFields& fields);

// The answer length the console waits for, in 8 bits: 8 for functions 05 and 06, else twice
// the value's low byte plus 5 (the count's high byte is not looked at).
uint8_t RawExpectedLength(const RtuFrame& frame);

// Sends the composed frame and collects its answer as received: the console does not judge it.
// The value is the answer as "%02X " per byte.
Result<std::string> SendRawFrame(LinkService& link, LinkMode mode, const RtuFrame& frame);

// The function codes the console offers, and the hint shown for each (nullptr: keep the hint).
inline constexpr const char* kRawFunctionCodes[] = {"03", "04", "05", "06"};
const char* RawFunctionHint(const std::string& code);

}  // namespace kaviro
