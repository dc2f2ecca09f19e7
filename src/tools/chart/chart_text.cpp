#include "tools/chart/chart_text.h"

#include <algorithm>

#include "tools/chart/chart_glyphs.h"

namespace kaviro::chart {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr int kBoxWidth = 8;  // what a code point without a glyph takes

struct Lead {
  unsigned char first, last;  // the lead bytes of this row
  int continuations;
  char32_t lowest;  // anything below is overlong
};
constexpr Lead kLeads[] = {{0xC2, 0xDF, 1, 0x80}, {0xE0, 0xEF, 2, 0x800}, {0xF0, 0xF4, 3, 0x10000}};

void DrawBox(RgbImage& image, int x, int y, uint32_t colour) {
  constexpr int kLeft = 1, kRight = kBoxWidth - 2, kTop = 2, kBottom = kGlyphHeight - 3;
  for (int i = kLeft; i <= kRight; ++i) {
    image.Set(x + i, y + kTop, colour);
    image.Set(x + i, y + kBottom, colour);
  }
  for (int j = kTop; j <= kBottom; ++j) {
    image.Set(x + kLeft, y + j, colour);
    image.Set(x + kRight, y + j, colour);
  }
}

int Advance(char32_t code) {
  const Glyph* glyph = FindGlyph(code);
  return glyph ? glyph->width : kBoxWidth;
}

}  // namespace

const Glyph* FindGlyph(char32_t code) {
  const std::span<const Glyph> glyphs = ChartGlyphs();
  const auto it = std::lower_bound(glyphs.begin(), glyphs.end(), code,
                                   [](const Glyph& g, char32_t c) { return g.code < c; });
  return it != glyphs.end() && it->code == code ? &*it : nullptr;
}

std::u32string CodePoints(std::string_view utf8) {
  std::u32string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      out += byte;
      ++i;
      continue;
    }
    const Lead* lead = std::find_if(std::begin(kLeads), std::end(kLeads),
                                    [&](const Lead& l) { return byte >= l.first && byte <= l.last; });
    char32_t code = lead == std::end(kLeads) ? 0 : byte & (0x3F >> lead->continuations);
    bool whole = lead != std::end(kLeads) && i + lead->continuations < utf8.size();
    for (int k = 1; whole && k <= lead->continuations; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      whole = (next & 0xC0) == 0x80;
      code = code << 6 | (next & 0x3F);
    }
    if (whole && code >= lead->lowest && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
      out += code;
      i += 1 + lead->continuations;
    } else {
      out += kReplacement;
      ++i;
    }
  }
  return out;
}

int TextWidth(std::string_view utf8) {
  int width = 0;
  for (char32_t c : CodePoints(utf8)) width += Advance(c);
  return width;
}

int DrawText(RgbImage& image, int x, int y, std::string_view utf8, uint32_t colour) {
  const int start = x;
  for (char32_t c : CodePoints(utf8)) {
    const Glyph* glyph = FindGlyph(c);
    if (!glyph) {
      DrawBox(image, x, y, colour);
      x += kBoxWidth;
      continue;
    }
    for (int row = 0; row < kGlyphHeight; ++row)
      for (int col = 0; col < glyph->width; ++col)
        if (glyph->Ink(col, row)) image.Set(x + col, y + row, colour);
    x += glyph->width;
  }
  return x - start;
}

}  // namespace kaviro::chart
