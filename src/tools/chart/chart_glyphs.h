#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace kaviro::chart {

// A bitmap font for charts drawn without a font engine: one glyph per code point, all as high as
// a line of text, each as wide as it advances.
inline constexpr int kGlyphHeight = 14;

struct Glyph {
  char32_t code;
  uint8_t width;  // at most 16
  std::array<uint16_t, kGlyphHeight> rows;  // top row first; bit 15 is the leftmost column

  bool Ink(int x, int y) const { return (rows[static_cast<size_t>(y)] >> (15 - x)) & 1; }
};

// Every glyph, in ascending code point order: ASCII 32-126 and the characters the charts' texts use.
std::span<const Glyph> ChartGlyphs();

// The glyph of `code`, or nullptr when the font has none.
const Glyph* FindGlyph(char32_t code);

}  // namespace kaviro::chart
