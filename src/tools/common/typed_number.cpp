#include "tools/common/typed_number.h"

#include <algorithm>
#include <string>

namespace kaviro {

namespace {

// 15 significant digits and 3 decimals stay well inside 64 bits.
constexpr int kMaxDigits = 15;
constexpr int kMaxDecimals = 3;

// The full-width forms an input method may give, three bytes each in UTF-8, as their ASCII
// forms; the ideographic space as a blank.
std::string Narrowed(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (i + 2 < text.size() && b(0) == 0xEF && b(1) == 0xBC && b(2) >= 0x90 && b(2) <= 0x99) {
      out += static_cast<char>('0' + (b(2) - 0x90));  // U+FF10 … U+FF19
    } else if (i + 2 < text.size() && b(0) == 0xEF && b(1) == 0xBC && (b(2) == 0x8E || b(2) == 0x8B || b(2) == 0x8D)) {
      out += b(2) == 0x8E ? '.' : b(2) == 0x8B ? '+' : '-';  // U+FF0E, U+FF0B, U+FF0D
    } else if (i + 2 < text.size() && b(0) == 0xE3 && b(1) == 0x80 && b(2) == 0x80) {
      out += ' ';  // U+3000
    } else {
      out += text[i];
      i += 1;
      continue;
    }
    i += 3;
  }
  return out;
}

std::string_view Trimmed(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<int64_t> TypedUnits(std::string_view typed, NumberKind kind, int decimals) {
  if (decimals < 0 || decimals > kMaxDecimals) return std::nullopt;
  const std::string narrowed = Narrowed(typed);
  std::string_view text = Trimmed(narrowed);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int64_t units = 0;
  int digits = 0, fraction = -1;  // fraction digits taken so far; -1 before the point
  bool roundUp = false, seenDigit = false;
  for (const char c : text) {
    if (c == '.') {
      if (kind != NumberKind::kDecimal || fraction >= 0) return std::nullopt;
      fraction = 0;
      continue;
    }
    if (!IsDigit(c)) return std::nullopt;
    seenDigit = true;
    if (fraction >= decimals) {
      // The first digit the units cannot keep decides the rounding; the exact decimal needs no more.
      if (fraction == decimals) roundUp = c >= '5';
      fraction = decimals + 1;
      continue;
    }
    if (fraction >= 0) ++fraction;
    if (units != 0 || c != '0') ++digits;
    if (digits > kMaxDigits) return std::nullopt;
    units = units * 10 + (c - '0');
  }
  if (!seenDigit) return std::nullopt;
  for (int k = std::max(fraction, 0); k < decimals; ++k) units *= 10;
  if (roundUp) ++units;
  return negative ? -units : units;
}

}  // namespace kaviro
