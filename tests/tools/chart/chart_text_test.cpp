// Chart texts drawn from the bitmap font: decoding, the font's table, and that nothing a chart
// can say lacks a glyph.
#include <gtest/gtest.h>

#include <set>

#include "tools/chart/chart_glyphs.h"
#include "tools/chart/chart_text.h"
#include "tools/chart/raster_chart.h"
#include "tools/log/log_chart_data.h"

namespace kaviro::chart {
namespace {

struct Decoding {
  const char* name;
  std::string utf8;
  std::u32string codes;
};
const Decoding kDecodings[] = {
    {"Ascii", "V 1.5", U"V 1.5"},
    {"TwoBytes", "\xC3\xA9", U"\u00E9"},
    {"ThreeBytes", "日志", U"日志"},
    {"FourBytes", "\xF0\x9F\x98\x80", U"\U0001F600"},
    {"Mixed", "a电b", U"a电b"},
    {"StrayContinuation", "\x80x", U"\uFFFDx"},
    {"CutShort", "\xE6\x97", U"\uFFFD\uFFFD"},
    {"CutByAscii", "\xE6\x97z", U"\uFFFD\uFFFDz"},
    {"OverlongTwo", "\xC0\xAF", U"\uFFFD\uFFFD"},
    {"OverlongThree", "\xE0\x80\x80", U"\uFFFD\uFFFD\uFFFD"},
    {"Surrogate", "\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},
    {"BeyondUnicode", "\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"NotALead", "\xFF", U"\uFFFD"},
};

class Utf8 : public ::testing::TestWithParam<Decoding> {};

TEST_P(Utf8, DecodesCodePoints) { EXPECT_EQ(CodePoints(GetParam().utf8), GetParam().codes); }

INSTANTIATE_TEST_SUITE_P(ChartText, Utf8, ::testing::ValuesIn(kDecodings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChartGlyphs, TableIsSortedCoversAsciiAndKeepsInkWithinEachGlyph) {
  const std::span<const Glyph> glyphs = ChartGlyphs();
  for (size_t i = 1; i < glyphs.size(); ++i)
    EXPECT_LT(uint32_t{glyphs[i - 1].code}, uint32_t{glyphs[i].code}) << "at " << i;
  for (char32_t c = 32; c <= 126; ++c) EXPECT_NE(FindGlyph(c), nullptr) << static_cast<int>(c);
  for (const Glyph& g : glyphs) {
    ASSERT_GE(g.width, 1);
    ASSERT_LE(g.width, 16);
    const uint16_t beyond = static_cast<uint16_t>(0xFFFF >> g.width);
    for (uint16_t row : g.rows) EXPECT_EQ(row & beyond, 0) << "ink right of U+" << std::hex << uint32_t{g.code};
  }
  EXPECT_EQ(FindGlyph(U'\U0001F600'), nullptr);
  EXPECT_EQ(FindGlyph(0), nullptr);
}

// Everything the log's chart shows, for records of every shape the controller sends.
std::set<std::string> LogChartTexts(const std::vector<LogRow>& rows) {
  const Chart chart = LogChartOf(rows);
  std::set<std::string> texts{chart.title};
  texts.insert(chart.categories.begin(), chart.categories.end());
  for (const ValueAxis& a : chart.axes) texts.insert(a.title);
  for (const Series& s : chart.series) texts.insert(s.name);
  const ChartLayout layout(chart, kChartWidth, kChartHeight);
  for (size_t axis = 0; axis < chart.axes.size(); ++axis)
    for (const AxisTick& t : layout.Ticks(axis)) texts.insert(t.label);
  return texts;
}

TEST(ChartGlyphs, EveryTextOfTheLogChartHasGlyphs) {
  std::array<uint8_t, kLogRecordSize> record{};
  record[0] = 20, record[1] = 26, record[2] = 12, record[3] = 9;
  for (size_t i = 4; i < record.size(); ++i) record[i] = static_cast<uint8_t>(0x11 * i);
  LogRow negative{};
  negative[0] = "2026-12-08 23:59";
  negative[5] = "-12.5";
  negative[6] = "-13.25";
  negative[13] = "-0.5";
  negative[16] = "7";
  std::set<std::string> texts = LogChartTexts({});
  texts.merge(LogChartTexts({LogRecordTexts(record), negative}));
  texts.insert("0123456789.-:");
  for (const std::string& text : texts)
    for (char32_t c : CodePoints(text))
      EXPECT_NE(FindGlyph(c), nullptr) << "U+" << std::hex << static_cast<uint32_t>(c) << " of " << text;
}

struct Drawn {
  const char* name;
  std::string text;
};
const Drawn kDrawn[] = {{"Digits", "12.75"}, {"Chinese", "最高电压"}, {"Unknown", "\xF0\x9F\x98\x80"},
                        {"Broken", "\xE6\x97"}};

class ChartTextDrawn : public ::testing::TestWithParam<Drawn> {};

TEST_P(ChartTextDrawn, InkStaysInTheTextsBox) {
  RgbImage image = RgbImage::Filled(120, 40, kChartBackground);
  const int x = 10, y = 10;
  const int width = DrawText(image, x, y, GetParam().text, kChartInk);
  EXPECT_EQ(width, TextWidth(GetParam().text));
  int ink = 0;
  for (int py = 0; py < image.height; ++py)
    for (int px = 0; px < image.width; ++px) {
      if (image.At(px, py) == kChartBackground) continue;
      ++ink;
      EXPECT_TRUE(px >= x && px < x + width && py >= y && py < y + kGlyphHeight) << px << ',' << py;
    }
  EXPECT_GT(ink, 0) << "nothing drawn, not even a box";
}

INSTANTIATE_TEST_SUITE_P(ChartText, ChartTextDrawn, ::testing::ValuesIn(kDrawn),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChartText, TextPastTheEdgesIsCutOff) {
  RgbImage image = RgbImage::Filled(20, 10, kChartBackground);
  for (const auto& [x, y] : {std::pair{-30, -5}, {15, 4}, {-3, 8}, {1000, 1000}})
    DrawText(image, x, y, "日志记录 KWH", kChartInk);
  EXPECT_EQ(image.rgb.size(), 20u * 10 * 3);
}

}  // namespace
}  // namespace kaviro::chart
