// The headless chart: positions are checked against the layout, colours against the series.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>

#include "tools/chart/raster_chart.h"
#include "tools/log/log_chart_data.h"

namespace kaviro::chart {
namespace {

constexpr size_t kVolts = 0, kEnergy = 1;

// Lines above half height on the left axis, bars below it on the right, so none hides another.
Chart Sample() {
  Chart c;
  c.title = "日志记录";
  c.categories = {"2026-12-01", "2026-12-02", "2026-12-03", "2026-12-04", "2026-12-05"};
  c.axes = {{"V", 0, 10}, {"KWH", 0, 10}};
  c.series = {{"充电KWH", SeriesKind::kBars, kEnergy, {1, 2, 3, 4, 5}, 0x2CA02C},
              {"负载KWH", SeriesKind::kBars, kEnergy, {4.5, 0.5, 2.5, 1, 3}, 0xFF7F0E},
              {"最高电压", SeriesKind::kLine, kVolts, {8, 9.5, 8.5, 9, 8}, 0xD62728},
              {"最低电压", SeriesKind::kLine, kVolts, {6.5, 7, 6.5, 7, 6}, 0x1F77B4}};
  return c;
}

std::set<uint32_t> SeriesColours(const Chart& c) {
  std::set<uint32_t> colours;
  for (const Series& s : c.series) colours.insert(s.rgb);
  return colours;
}

std::set<uint32_t> ColoursIn(const RgbImage& image, const Rect& r) {
  std::set<uint32_t> colours;
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) colours.insert(image.At(x, y));
  return colours;
}

bool InkIn(const RgbImage& image, const Rect& r) { return ColoursIn(image, r).count(kChartInk) > 0; }

TEST(RasterChart, PictureHasItsSizeAndEverySeriesColourInThePlot) {
  const Chart chart = Sample();
  const RgbImage image = DrawChart(chart, 800, 500);
  ASSERT_EQ(image.width, 800);
  ASSERT_EQ(image.height, 500);
  ASSERT_EQ(image.rgb.size(), 800u * 500 * 3);
  const ChartLayout layout(chart, 800, 500);
  EXPECT_TRUE(InkIn(image, {0, 0, 800, 24})) << "no title";

  std::set<uint32_t> found = ColoursIn(image, layout.plot());
  found.erase(kChartBackground);
  found.erase(kChartGrid);
  EXPECT_EQ(found.size(), chart.series.size());
  EXPECT_EQ(found, SeriesColours(chart));
}

TEST(RasterChart, EveryLinePointIsDrawnWhereTheLayoutPutsIt) {
  const Chart chart = Sample();
  const RgbImage image = DrawChart(chart);
  const ChartLayout layout(chart, kChartWidth, kChartHeight);
  for (const Series& s : chart.series) {
    if (s.kind != SeriesKind::kLine) continue;
    for (size_t c = 0; c < s.values.size(); ++c) {
      const Point p = layout.At(c, s.values[c], s.axis);
      EXPECT_TRUE(layout.plot().Contains(p.x, p.y));
      EXPECT_EQ(image.At(p.x, p.y), s.rgb) << s.name << " at " << c;
    }
  }
  // Categories spread evenly over the plot, left to right.
  const Rect& plot = layout.plot();
  const int per = plot.width / static_cast<int>(chart.categories.size());
  for (size_t c = 0; c < chart.categories.size(); ++c)
    EXPECT_NEAR(layout.At(c, 0, kVolts).x, plot.x + per * static_cast<int>(c) + per / 2, 1);
}

TEST(RasterChart, BarsRiseFromTheBaseToTheirValueSideBySide) {
  const Chart chart = Sample();
  const RgbImage image = DrawChart(chart);
  const ChartLayout layout(chart, kChartWidth, kChartHeight);
  const Rect& plot = layout.plot();
  for (size_t c = 0; c < chart.categories.size(); ++c) {
    const Rect charged = layout.Bar(0, c), drawn = layout.Bar(1, c);
    EXPECT_LE(charged.right(), drawn.x) << "bars of one axis overlap in " << c;
    const int centre = layout.At(c, 0, kEnergy).x;
    EXPECT_LE(charged.x, centre);
    EXPECT_GE(drawn.right(), centre);
    for (size_t s : {0u, 1u}) {
      const Series& series = chart.series[s];
      const Rect bar = layout.Bar(s, c);
      const int x = bar.x + bar.width / 2;
      int top = plot.y;
      while (top < plot.bottom() && image.At(x, top) != series.rgb) ++top;
      EXPECT_NEAR(top, layout.At(c, series.values[c], series.axis).y, 1) << series.name << " at " << c;
      for (int y = top; y < plot.bottom(); ++y)
        ASSERT_EQ(image.At(x, y), series.rgb) << series.name << " at " << c << " has a gap at row " << y;
    }
  }
  EXPECT_EQ(layout.Bar(2, 0).width, 0) << "a line has no bars";
}

struct RangeCase {
  const char* name;
  double low, high;
  double drawnHigh;  // what an empty range becomes
};
const RangeCase kRanges[] = {
    {"Unit", 0, 1, 1},           {"Volts", 12, 15, 15},        {"AroundZero", -5, 5, 5},
    {"Small", 0, 0.123, 0.123},  {"Large", 0, 1234.5, 1234.5}, {"Empty", 3, 3, 4},
    {"Reversed", 2, 1, 3},
};

class ChartTicks : public ::testing::TestWithParam<RangeCase> {};

TEST_P(ChartTicks, SpanTheAxisExactlyAndAreLabelledOnBothSides) {
  const RangeCase& r = GetParam();
  Chart chart = Sample();
  chart.axes = {{"V", r.low, r.high}, {"KWH", r.low, r.high}};
  const ChartLayout layout(chart, kChartWidth, kChartHeight);
  const RgbImage image = DrawChart(chart);
  const Rect& plot = layout.plot();
  for (size_t axis : {kVolts, kEnergy}) {
    const std::vector<AxisTick> ticks = layout.Ticks(axis);
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks.front().value, r.low);
    EXPECT_EQ(ticks.back().value, r.drawnHigh);
    EXPECT_EQ(ticks.front().y, plot.bottom() - 1);
    EXPECT_EQ(ticks.back().y, plot.y);
    for (size_t i = 0; i < ticks.size(); ++i) {
      const AxisTick& t = ticks[i];
      EXPECT_NEAR(std::strtod(t.label.c_str(), nullptr), t.value, 0.0005 + 1e-12) << t.label;  // three decimals
      if (i > 0) {
        EXPECT_GT(t.value, ticks[i - 1].value);
        EXPECT_LT(t.y, ticks[i - 1].y);
      }
      const Rect labels = axis == kVolts ? Rect{0, t.y - 7, plot.x - 6, 14}
                                         : Rect{plot.right() + 6, t.y - 7, kChartWidth - plot.right() - 6, 14};
      EXPECT_TRUE(InkIn(image, labels)) << "no label for " << t.label << " on axis " << axis;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RasterChart, ChartTicks, ::testing::ValuesIn(kRanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RasterChart, ChartWithoutRecordsHasTitleAndAxes) {
  const Chart chart = LogChartOf({});
  const RgbImage image = DrawChart(chart);
  const ChartLayout layout(chart, kChartWidth, kChartHeight);
  const Rect& plot = layout.plot();
  ASSERT_GT(plot.width, 0);
  ASSERT_GT(plot.height, 0);
  EXPECT_TRUE(InkIn(image, {0, 0, kChartWidth, 24})) << "no title";
  for (int y = plot.y; y < plot.bottom(); ++y) {
    ASSERT_EQ(image.At(plot.x - 1, y), kChartInk) << "left axis, row " << y;
    ASSERT_EQ(image.At(plot.right(), y), kChartInk) << "right axis, row " << y;
  }
  for (int x = plot.x; x < plot.right(); ++x)
    ASSERT_EQ(image.At(x, plot.bottom()), kChartInk) << "bottom, column " << x;
  std::set<uint32_t> found = ColoursIn(image, plot);
  EXPECT_EQ(found, (std::set<uint32_t>{kChartBackground, kChartGrid}));
}

constexpr double kInf = std::numeric_limits<double>::infinity();
struct OutOfRange {
  const char* name;
  double value;
};
const OutOfRange kOutOfRange[] = {{"FarAbove", 1e9}, {"FarBelow", -1e9}, {"Huge", 1e300}, {"Infinite", kInf},
                                  {"MinusInfinite", -kInf}, {"NotANumber", std::nan("")}};

class ChartClipping : public ::testing::TestWithParam<OutOfRange> {};

TEST_P(ChartClipping, ValuesOffTheAxisStayInsideThePlot) {
  Chart chart = Sample();
  for (Series& s : chart.series) s.values[2] = GetParam().value;
  for (const auto& [width, height] : {std::pair{kChartWidth, kChartHeight}, {120, 90}}) {
    const RgbImage image = DrawChart(chart, width, height);
    ASSERT_EQ(image.rgb.size(), static_cast<size_t>(width) * height * 3);
    const ChartLayout layout(chart, width, height);
    const Rect& plot = layout.plot();
    const std::set<uint32_t> colours = SeriesColours(chart);
    // Above the plot only the legend's swatches may be in a series colour.
    for (int y = plot.y - 1; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (!plot.Contains(x, y)) {
          ASSERT_EQ(colours.count(image.At(x, y)), 0u) << x << ',' << y;
        }
  }
  const double v = GetParam().value;
  const RgbImage image = DrawChart(chart);
  const ChartLayout layout(chart, kChartWidth, kChartHeight);
  const Rect bar = layout.Bar(0, 2);
  if (v > 10) {  // a bar past the top fills the plot's height
    EXPECT_EQ(bar.y, layout.plot().y);
    EXPECT_EQ(bar.bottom(), layout.plot().bottom());
    EXPECT_EQ(image.At(bar.x, layout.plot().y), chart.series[0].rgb);
  } else {  // below the axis' zero at its low end, or not a number: nothing to draw
    EXPECT_EQ(bar.width * bar.height, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(RasterChart, ChartClipping, ::testing::ValuesIn(kOutOfRange),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RasterChart, TinyOrEmptyPicturesDrawWithoutWritingPastThem) {
  for (const auto& [width, height] : {std::pair{0, 0}, {1, 1}, {30, 20}, {-5, 10}}) {
    const RgbImage image = DrawChart(Sample(), width, height);
    EXPECT_EQ(image.rgb.size(), static_cast<size_t>(image.width) * image.height * 3);
    EXPECT_EQ(image.width, std::max(0, width));
  }
}

}  // namespace
}  // namespace kaviro::chart
