#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace kaviro::sim {

// Function code and data: the part of a Modbus message that is the same on every transport.
using Pdu = std::vector<uint8_t>;

enum class ExceptionCode : uint8_t {
  kIllegalFunction = 0x01,
  kIllegalAddress = 0x02,
  kIllegalValue = 0x03,
  kServerFailure = 0x04,
};

// Read coils; the other function codes are the link layer's (kaviro::fn).
inline constexpr uint8_t kReadCoilsFunction = 0x01;

// Function code with bit 7 set, then the exception code.
Pdu ExceptionPdu(uint8_t function, ExceptionCode code);

// Function, byte count, the words high byte first.
Pdu RegistersPdu(uint8_t function, std::span<const uint16_t> words);

// Function 0x01 (states 0 or 1): byte count, then the coils packed eight to a byte, lowest address in bit 0.
Pdu CoilsPdu(std::span<const uint8_t> states);

// Function, start, count: how 0x0F and 0x10 confirm a write.
Pdu WriteConfirmPdu(uint8_t function, uint16_t start, uint16_t count);

inline bool IsException(std::span<const uint8_t> pdu) { return !pdu.empty() && (pdu[0] & 0x80) != 0; }

}  // namespace kaviro::sim
