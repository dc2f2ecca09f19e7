#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace kaviro::sim {

// --verbose: every request and answer as hex with a wall-clock timestamp, on stderr so that
// stdout carries only the ready line.
class TrafficLog {
 public:
  explicit TrafficLog(bool enabled, std::FILE* out = stderr) : enabled_(enabled), out_(out) {}

  // `from` names the unit behind an answer when several share the line: "(unit 2)" ends the line.
  void Bytes(const char* channel, const char* direction, std::span<const uint8_t> bytes, std::string_view from = {});
  void Note(const char* channel, const std::string& text, std::string_view from = {});
  bool enabled() const { return enabled_; }

 private:
  void Line(const char* channel, const char* direction, std::string text, std::string_view from);
  bool enabled_;
  std::FILE* out_;
};

}  // namespace kaviro::sim
