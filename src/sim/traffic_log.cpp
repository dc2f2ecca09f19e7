#include "sim/traffic_log.h"

#include <chrono>
#include <ctime>

#include "link/text_format.h"

namespace kaviro::sim {

void TrafficLog::Line(const char* channel, const char* direction, std::string text, std::string_view from) {
  if (!enabled_) return;
  if (!from.empty()) {
    if (!text.empty() && text.back() == ' ') text.pop_back();  // the hex ends in a blank
    text.append("  (").append(from).append(")");
  }
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  std::fprintf(out_, "%02d:%02d:%02d.%03d %-4s %s %s\n", local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms),
               channel, direction, text.c_str());
  std::fflush(out_);
}

void TrafficLog::Bytes(const char* channel, const char* direction, std::span<const uint8_t> bytes, std::string_view from) {
  if (enabled_) Line(channel, direction, HexBytes(bytes), from);
}

void TrafficLog::Note(const char* channel, const std::string& text, std::string_view from) {
  Line(channel, "--", text, from);
}

}  // namespace kaviro::sim
