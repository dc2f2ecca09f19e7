#include "tools/controller/controller_clock.h"

#include <charconv>
#include <ctime>

#include "link/text_format.h"

namespace kaviro {

namespace {

std::optional<std::time_t> ToCalendar(const LocalDateTime& t) {
  std::tm local{};
  local.tm_year = t.year - 1900;
  local.tm_mon = t.month - 1;
  local.tm_mday = t.day;
  local.tm_hour = t.hour;
  local.tm_min = t.minute;
  local.tm_sec = t.second;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  if (when == static_cast<std::time_t>(-1)) return std::nullopt;
  return when;
}

std::optional<LocalDateTime> FromCalendar(std::time_t when) {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) return std::nullopt;
  return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
}

const std::optional<std::time_t>& Base() {
  static const std::optional<std::time_t> base = ToCalendar(LocalDateTime{});
  return base;
}

}  // namespace

std::optional<LocalDateTime> ControllerClockTime(int64_t seconds) {
  if (!Base()) return std::nullopt;
  return FromCalendar(*Base() + static_cast<std::time_t>(seconds));
}

std::optional<int64_t> ControllerClockSeconds(const LocalDateTime& time) {
  const std::optional<std::time_t> when = ToCalendar(time);
  if (!when || !Base()) return std::nullopt;
  return static_cast<int64_t>(*when - *Base());
}

std::string ClockText(const LocalDateTime& t) {
  return Format("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::optional<LocalDateTime> ParseClockText(std::string_view text) {
  // Fixed positions: digits where the format has them, the separators in between.
  static constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
  if (text.size() != kShape.size()) return std::nullopt;
  for (size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return std::nullopt;
  }
  auto field = [&](size_t at, size_t length) {
    int v = 0;
    std::from_chars(text.data() + at, text.data() + at + length, v);
    return v;
  };
  const LocalDateTime t{field(0, 4), field(5, 2), field(8, 2), field(11, 2), field(14, 2), field(17, 2)};
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
  // The calendar normalises 31 April into 1 May: such a day does not exist.
  const std::optional<std::time_t> when = ToCalendar(t);
  const std::optional<LocalDateTime> back = when ? FromCalendar(*when) : std::nullopt;
  if (!back || back->year != t.year || back->month != t.month || back->day != t.day) return std::nullopt;
  return t;
}

LocalDateTime LocalNow() { return FromCalendar(std::time(nullptr)).value_or(LocalDateTime{}); }

}  // namespace kaviro
