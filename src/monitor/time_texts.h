#pragma once
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace kaviro {

// "%04d-%02d-%02d %02d:%02d:%02d" of the local time `seconds` after 2000-01-01 00:00:00 local;
// the conversion itself decides daylight saving. Nothing when the time cannot be represented.
std::optional<std::string> ControllerClockText(int32_t seconds);

// "%02d:%02d:%02d" of a second count read as unsigned; hours are not wrapped at 24.
std::string TimeOfDayText(int32_t seconds);

// ISO 8601 local time with its offset, "2026-12-09T14:05:00+0800", as polls and records are stamped.
std::string LocalTimestamp(std::time_t when);
// "2026-12-09": the local day `when` falls on.
std::string LocalDate(std::time_t when);

}  // namespace kaviro
