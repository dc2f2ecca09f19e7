#include "monitor/time_texts.h"

#include <ctime>

#include "link/text_format.h"

namespace kaviro {

std::optional<std::string> ControllerClockText(int32_t seconds) {
  std::tm epoch{};
  epoch.tm_year = 100;
  epoch.tm_mday = 1;
  epoch.tm_isdst = -1;
  const std::time_t base = std::mktime(&epoch);
  if (base == static_cast<std::time_t>(-1)) return std::nullopt;
  const std::time_t when = base + seconds;
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) return std::nullopt;
  return Format("%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec);
}

std::string TimeOfDayText(int32_t seconds) {
  const auto s = static_cast<uint32_t>(seconds);
  return Format("%02d:%02d:%02d", static_cast<int>(s / 3600), static_cast<int>(s % 3600 / 60),
                static_cast<int>(s % 60));
}

namespace {
std::string LocalText(std::time_t when, const char* format) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[40];
  std::strftime(text, sizeof text, format, &local);
  return text;
}
}  // namespace

std::string LocalTimestamp(std::time_t when) { return LocalText(when, "%Y-%m-%dT%H:%M:%S%z"); }

std::string LocalDate(std::time_t when) { return LocalText(when, "%Y-%m-%d"); }

}  // namespace kaviro
