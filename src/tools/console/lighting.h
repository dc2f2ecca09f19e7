#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/link_service.h"
#include "tools/common/result.h"

namespace kaviro {

// The controller's two daily lighting periods: four times, each a 32-bit count of seconds since
// midnight in a register pair (high word first).
struct LightingSlot {
  const char* name;
  uint16_t reg;
};
inline constexpr size_t kLightingSlots = 4;
inline constexpr LightingSlot kLightingSlotTable[kLightingSlots] = {
    {"天黑开灯", 0xE080},
    {"天黑关灯", 0xE082},
    {"天亮开灯", 0xE084},
    {"天亮关灯", 0xE086},
};

constexpr uint32_t SecondOfDay(int hour, int minute, int second) {
  return static_cast<uint32_t>((hour * 60 + minute) * 60 + second);
}

// Function 0x10, two registers, the count most significant byte first.
RtuFrame LightingFrame(uint8_t unit, uint16_t reg, uint32_t secondOfDay);

struct TimeOfDay {
  int hour = 0, minute = 0, second = 0;
  bool operator==(const TimeOfDay&) const = default;
};
// The pickers open on the polled count as a wall-clock time of day, whatever the PC's time zone,
// so that setting a time without retyping it writes back the count it opened with. (Read as
// seconds since 1970 in local time, the count would be right on a UTC+8 PC only.)
TimeOfDay PickerTimeOfDay(int32_t polledCount);

// "HH:MM:SS" both ways (a count of a day or more shows its hours as they are).
std::string TimeOfDayText(uint32_t secondOfDay);
std::optional<uint32_t> ParseTimeOfDay(const std::string& text);

// Sends one time and reads no answer.
Result<> SetLightingTime(LinkService& link, LinkMode mode, uint8_t unit, const LightingSlot& slot,
                         uint32_t secondOfDay);

// Reading the four pairs back, as the poll reads holding registers: 100 checks of 20 ms, the
// read rule on the serial side, the byte count on the network.
ExchangePolicy LightingReadPolicy();

using LightingTimes = std::array<uint32_t, kLightingSlots>;
Result<LightingTimes> ReadLightingTimes(LinkService& link, LinkMode mode, uint8_t unit);
// The command line's write: sent, the four times read back, the slot's compared.
Result<LightingTimes> SetLightingTimeVerified(LinkService& link, LinkMode mode, uint8_t unit, const LightingSlot& slot,
                                             uint32_t secondOfDay);

}  // namespace kaviro
