#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace kaviro {

// printf-style formatting into a std::string; the program's texts are printf formats.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  const int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, args...);
  out.resize(static_cast<size_t>(n));
  return out;
}

// Format without arguments: a text that is its own format still goes through printf's % rules.
inline std::string Format(const char* format) { return format; }

// "%02X " per byte: how the tool shows frames.
std::string HexBytes(std::span<const uint8_t> bytes);

}  // namespace kaviro
