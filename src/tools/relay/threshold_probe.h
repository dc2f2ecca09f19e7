#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/link_service.h"
#include "tools/common/result.h"

namespace kaviro {

// The alarm threshold probe: registers 0x2033 and 0x2034 read over the serial port in one
// fixed-size block, whatever the work mode, and the answer expected as one block too.
inline constexpr size_t kProbeBlock = 16;
using ProbeBytes = std::array<uint8_t, kProbeBlock>;

// A plain read of the two registers, zero-filled to 16 bytes.
RtuFrame ProbeRequest(uint8_t unit);
ProbeBytes ProbeBlockOf(const RtuFrame& request);

// Up to ten steps of 100 ms; at each, whatever waits is read and appended (at most 256 bytes are
// kept), and the first quiet step after a read ends the wait. An answer still coming at the
// tenth step is not looked at.
ExchangePolicy ProbePolicy();

// Exactly 16 bytes, from `unit`, with the CRC of bytes 0–6 in bytes 7 and 8.
bool AcceptsProbeAnswer(std::span<const uint8_t> answer, uint8_t unit);

// "%d.%d ": hundredths shown as the quotient's low 8 bits and the remainder without a leading 0.
std::string ProbeValueText(uint16_t value);

struct ProbeAnswer {
  ProbeBytes received{};
  uint16_t first = 0, second = 0;
};

// One probe, holding the link. Nothing is ever said: a closed port, silence or a refused answer
// all end without a text.
Result<ProbeAnswer> RunThresholdProbe(LinkService& link, uint8_t unit);

}  // namespace kaviro
