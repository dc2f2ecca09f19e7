#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/chart/rgb_image.h"

namespace kaviro::chart {

// The code points of UTF-8 text; each byte that starts no well-formed sequence (a stray
// continuation, a truncated, overlong or surrogate sequence) becomes one U+FFFD.
std::u32string CodePoints(std::string_view utf8);

// Pixels the text advances when drawn with the chart glyphs.
int TextWidth(std::string_view utf8);

// Draws the text with its top left at (x, y) in one colour; a code point without a glyph is drawn
// as a box. Returns the width drawn.
int DrawText(RgbImage& image, int x, int y, std::string_view utf8, uint32_t colour);

}  // namespace kaviro::chart
