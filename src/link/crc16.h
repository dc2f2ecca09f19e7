#pragma once
#include <cstdint>
#include <span>

namespace kaviro {

// CRC-16/MODBUS (init 0xFFFF, reflected polynomial 0xA001); goes on the wire low byte first.
uint16_t ComputeCrc16(std::span<const uint8_t> bytes);

// True when the last two bytes are the CRC of everything before them.
bool HasValidCrc(std::span<const uint8_t> frame);

}  // namespace kaviro
