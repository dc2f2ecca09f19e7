#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace kaviro::sim {

// --verbose: every request and answer as hex with a wall-clock timestamp, on stderr so that
// stdout carries only the ready line.
class TrafficLog {
 public:
  explicit TrafficLog(bool enabled, std::FILE* out = stderr) : enabled_(enabled), out_(out) {}

  void Bytes(const char* channel, const char* direction, std::span<const uint8_t> bytes);
  void Note(const char* channel, const std::string& text);
  bool enabled() const { return enabled_; }

 private:
  void Line(const char* channel, const char* direction, const std::string& text);
  bool enabled_;
  std::FILE* out_;
};

}  // namespace kaviro::sim
