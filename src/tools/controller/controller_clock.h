#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kaviro {

// A wall-clock time of the PC's own time zone, to the second.
struct LocalDateTime {
  int year = 2000, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
  bool operator==(const LocalDateTime&) const = default;
};

// The controller counts its time in seconds since 2000-01-01 00:00:00 of the PC's local time;
// the local-time conversion decides daylight saving. Nothing when the system cannot represent
// the time.
std::optional<LocalDateTime> ControllerClockTime(int64_t seconds);
std::optional<int64_t> ControllerClockSeconds(const LocalDateTime& time);

// "YYYY-MM-DD HH:MM:SS", and back: fields must be in range and the day must exist.
std::string ClockText(const LocalDateTime& time);
std::optional<LocalDateTime> ParseClockText(std::string_view text);

LocalDateTime LocalNow();

}  // namespace kaviro
