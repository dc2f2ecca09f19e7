#include "tools/chart/raster_chart.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "tools/chart/chart_glyphs.h"
#include "tools/chart/chart_text.h"

namespace kaviro::chart {

namespace {

// The bands from the top: title, legend, axis titles, then the plot; the category labels below it.
constexpr int kMargin = 8, kTitleY = 8, kLegendY = 30, kAxisTitleY = 52, kPlotTop = 74;
constexpr int kTickLength = 4, kLabelGap = 4, kCategoryLabelGap = 6;
constexpr int kSwatch = 12, kSwatchGap = 4, kLegendGap = 16;
constexpr double kBarGroupShare = 0.6;  // of a category's width, as Qt Charts leaves between groups
constexpr double kFarthest = 8;         // ranges beyond the plot a value is taken to, so rows stay ints
constexpr int kDotRadiusSquared = 10;

int Round(double v) { return static_cast<int>(std::lround(v)); }

Rect Intersect(const Rect& a, const Rect& b) {
  const int x = std::max(a.x, b.x), y = std::max(a.y, b.y);
  const int r = std::min(a.right(), b.right()), bottom = std::min(a.bottom(), b.bottom());
  return r > x && bottom > y ? Rect{x, y, r - x, bottom - y} : Rect{};
}

int WidestLabel(const std::vector<AxisTick>& ticks) {
  int widest = 0;
  for (const AxisTick& t : ticks) widest = std::max(widest, TextWidth(t.label));
  return widest;
}

// Draws only inside the plot: a value beyond its axis' range is cut off there.
class PlotPainter {
 public:
  PlotPainter(RgbImage& image, const Rect& plot) : image_(image), plot_(plot) {}

  void Set(int x, int y, uint32_t colour) {
    if (plot_.Contains(x, y)) image_.Set(x, y, colour);
  }
  void Fill(const Rect& r, uint32_t colour) {
    const Rect inside = Intersect(r, plot_);
    for (int y = inside.y; y < inside.bottom(); ++y)
      for (int x = inside.x; x < inside.right(); ++x) image_.Set(x, y, colour);
  }
  // Two pixels wide, by Bresenham.
  void Line(Point a, Point b, uint32_t colour) {
    const int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
    const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
    for (int error = dx + dy;;) {
      Fill({a.x, a.y, 2, 2}, colour);
      if (a == b) break;
      const int twice = 2 * error;
      if (twice >= dy) error += dy, a.x += sx;
      if (twice <= dx) error += dx, a.y += sy;
    }
  }
  void Dot(Point c, uint32_t colour) {
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx)
        if (dx * dx + dy * dy <= kDotRadiusSquared) Set(c.x + dx, c.y + dy, colour);
  }

 private:
  RgbImage& image_;
  Rect plot_;
};

void HorizontalLine(RgbImage& image, int x0, int x1, int y, uint32_t colour) {
  for (int x = x0; x <= x1; ++x) image.Set(x, y, colour);
}
void VerticalLine(RgbImage& image, int x, int y0, int y1, uint32_t colour) {
  for (int y = y0; y <= y1; ++y) image.Set(x, y, colour);
}

}  // namespace

ChartLayout::ChartLayout(const Chart& chart, int width, int height) : chart_(chart) {
  for (const ValueAxis& axis : chart.axes) ranges_.push_back(DrawnRange(axis));
  std::vector<size_t> barsOnAxis(chart.axes.size() + 1);
  for (const Series& s : chart.series) {
    Slot slot;
    if (s.kind == SeriesKind::kBars && s.axis < chart.axes.size()) slot.index = barsOnAxis[s.axis]++;
    slots_.push_back(slot);
  }
  for (size_t i = 0; i < chart.series.size(); ++i)
    if (chart.series[i].axis < chart.axes.size()) slots_[i].count = barsOnAxis[chart.series[i].axis];

  // Rows first: the tick labels' widths follow from the ranges alone.
  plot_.y = kPlotTop;
  plot_.height = std::max(0, height - kMargin - kGlyphHeight - kCategoryLabelGap - 1 - plot_.y);
  const int axisBand = kTickLength + kLabelGap + 1;
  plot_.x = kMargin + axisBand + (ranges_.empty() ? 0 : WidestLabel(Ticks(0)));
  const int right = width - kMargin - (ranges_.size() > 1 ? axisBand + WidestLabel(Ticks(1)) : kMargin);
  plot_.width = std::max(0, right - plot_.x);

  if (const size_t n = chart.categories.size(); n > 0 && plot_.width > 0) {
    int widest = 0;
    for (const std::string& c : chart.categories) widest = std::max(widest, TextWidth(c));
    const double per = static_cast<double>(plot_.width) / static_cast<double>(n);
    labelStep_ = std::max<size_t>(1, static_cast<size_t>(std::ceil((widest + kLabelGap * 2) / per)));
  }
}

double ChartLayout::Row(double value, size_t axis) const {
  const AxisRange r = axis < ranges_.size() ? ranges_[axis] : DrawnRange({});
  const double share = std::clamp((value - r.low) / (r.high - r.low), -kFarthest, 1 + kFarthest);
  return plot_.bottom() - 1 - share * std::max(0, plot_.height - 1);
}

int ChartLayout::Centre(size_t category) const {
  const size_t n = std::max<size_t>(1, chart_.categories.size());
  return plot_.x + static_cast<int>((2 * category + 1) * static_cast<size_t>(plot_.width) / (2 * n));
}

Point ChartLayout::At(size_t category, double value, size_t axis) const {
  return {Centre(category), Round(Row(value, axis))};
}

Rect ChartLayout::Bar(size_t series, size_t category) const {
  if (series >= chart_.series.size()) return {};
  const Series& s = chart_.series[series];
  if (s.kind != SeriesKind::kBars || s.axis >= ranges_.size() || category >= s.values.size() ||
      category >= chart_.categories.size() || std::isnan(s.values[category]))
    return {};
  const AxisRange r = ranges_[s.axis];
  const double base = std::clamp(0.0, r.low, r.high), value = std::clamp(s.values[category], r.low, r.high);
  if (value == base) return {};
  const int valueRow = Round(Row(value, s.axis)), baseRow = Round(Row(base, s.axis));
  const double group = kBarGroupShare * plot_.width / static_cast<double>(chart_.categories.size());
  const double each = group / static_cast<double>(slots_[series].count);
  const double left = Centre(category) - group / 2 + each * static_cast<double>(slots_[series].index);
  const int x0 = Round(left), x1 = std::max(x0 + 1, Round(left + each));
  const int top = std::min(valueRow, baseRow), bottom = std::max(valueRow, baseRow);
  return Intersect({x0, top, x1 - x0, bottom - top + 1}, plot_);
}

std::vector<AxisTick> ChartLayout::Ticks(size_t axis) const {
  std::vector<AxisTick> ticks;
  if (axis >= ranges_.size()) return ticks;
  for (double v : TickValues(ranges_[axis])) ticks.push_back({v, TickLabel(v), Round(Row(v, axis))});
  return ticks;
}

namespace {

void DrawHeading(RgbImage& image, const Chart& chart) {
  DrawText(image, (image.width - TextWidth(chart.title)) / 2, kTitleY, chart.title, kChartInk);
  int legendWidth = 0;
  for (const Series& s : chart.series) legendWidth += kSwatch + kSwatchGap + TextWidth(s.name) + kLegendGap;
  int x = (image.width - legendWidth + kLegendGap) / 2;
  for (const Series& s : chart.series) {
    for (int dy = 1; dy <= kSwatch; ++dy) HorizontalLine(image, x, x + kSwatch - 1, kLegendY + dy, s.rgb);
    x += kSwatch + kSwatchGap;
    x += DrawText(image, x, kLegendY, s.name, kChartInk) + kLegendGap;
  }
}

// Left for the first value axis, right for the second, each with its title above it; the
// categories along the bottom.
void DrawAxes(RgbImage& image, const Chart& chart, const ChartLayout& layout) {
  const Rect& plot = layout.plot();
  struct Side {
    size_t axis;
    int line, tickFrom;  // columns
    int labelEdge;       // where the tick labels end (left side) or start (right side)
  };
  const Side sides[] = {{0, plot.x - 1, plot.x - 1 - kTickLength, plot.x - 1 - kTickLength - kLabelGap},
                        {1, plot.right(), plot.right() + 1, plot.right() + 1 + kTickLength + kLabelGap}};
  for (const Side& side : sides) {
    if (side.axis >= chart.axes.size()) continue;
    const bool left = side.axis == 0;
    VerticalLine(image, side.line, plot.y, plot.bottom(), kChartInk);
    for (const AxisTick& t : layout.Ticks(side.axis)) {
      HorizontalLine(image, side.tickFrom, side.tickFrom + kTickLength - 1, t.y, kChartInk);
      const int labelX = left ? side.labelEdge - TextWidth(t.label) : side.labelEdge;
      DrawText(image, labelX, t.y - kGlyphHeight / 2, t.label, kChartInk);
    }
    const std::string& title = chart.axes[side.axis].title;
    DrawText(image, left ? kMargin : image.width - kMargin - TextWidth(title), kAxisTitleY, title, kChartInk);
  }
  HorizontalLine(image, plot.x - 1, plot.right(), plot.bottom(), kChartInk);
  for (size_t c = 0; c < chart.categories.size(); c += layout.labelStep()) {
    const int centre = layout.At(c, 0, 0).x;
    VerticalLine(image, centre, plot.bottom() + 1, plot.bottom() + kCategoryLabelGap / 2, kChartInk);
    const std::string& label = chart.categories[c];
    DrawText(image, centre - TextWidth(label) / 2, plot.bottom() + kCategoryLabelGap, label, kChartInk);
  }
}

// Bars under lines, and every line's dots over every line.
void DrawSeries(PlotPainter& painter, const Chart& chart, const ChartLayout& layout) {
  for (size_t s = 0; s < chart.series.size(); ++s)
    for (size_t c = 0; c < chart.categories.size(); ++c) painter.Fill(layout.Bar(s, c), chart.series[s].rgb);
  auto points = [&](const Series& s, auto draw) {
    if (s.kind != SeriesKind::kLine || s.axis >= chart.axes.size()) return;
    const size_t n = std::min(s.values.size(), chart.categories.size());
    for (size_t c = 0; c < n; ++c)
      if (!std::isnan(s.values[c])) draw(c, layout.At(c, s.values[c], s.axis));
  };
  for (const Series& s : chart.series) {
    std::optional<std::pair<size_t, Point>> last;
    points(s, [&](size_t c, Point p) {
      if (last && last->first + 1 == c) painter.Line(last->second, p, s.rgb);
      last = {c, p};
    });
  }
  for (const Series& s : chart.series) points(s, [&](size_t, Point p) { painter.Dot(p, s.rgb); });
}

}  // namespace

RgbImage DrawChart(const Chart& chart, int width, int height) {
  RgbImage image = RgbImage::Filled(std::max(0, width), std::max(0, height), kChartBackground);
  const ChartLayout layout(chart, image.width, image.height);
  PlotPainter painter(image, layout.plot());
  DrawHeading(image, chart);
  for (const AxisTick& t : layout.Ticks(0)) painter.Fill({layout.plot().x, t.y, layout.plot().width, 1}, kChartGrid);
  DrawAxes(image, chart, layout);
  DrawSeries(painter, chart, layout);
  return image;
}

}  // namespace kaviro::chart
