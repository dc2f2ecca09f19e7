#pragma once
#include <cstdint>
#include <span>

namespace kaviro {

// The read rule: CRC over all but the last two bytes, address byte, byte count = length - 5.
// The function code is not looked at, so an exception answer passes only with code 0.
bool AcceptsRead(std::span<const uint8_t> answer, uint8_t unit);

// Network answers carry no CRC: the poll checks the byte count only (length counted with CRC places).
bool AcceptsByteCount(std::span<const uint8_t> answer, int countWithCrc);

// The answer to a read of `count` registers with `function`: from `unit`, with that function and
// a byte count of 2 × count whose data all arrived (and, off the network, the CRC behind it).
// Anything else, an exception answer among it, is no answer to that request.
bool AcceptsRegisters(std::span<const uint8_t> answer, uint8_t unit, uint8_t function, int count, bool withCrc);

// Single coil and single register writes are answered by their exact echo.
bool AcceptsEcho(std::span<const uint8_t> answer, std::span<const uint8_t> request);

}  // namespace kaviro
