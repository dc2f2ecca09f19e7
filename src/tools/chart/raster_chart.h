#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "tools/chart/axis_ticks.h"
#include "tools/chart/chart_model.h"
#include "tools/chart/rgb_image.h"

namespace kaviro::chart {

// The chart drawn without a font engine or a window system, for kaviro-cli: the same value the
// dialogs give Qt Charts, laid out alike (title, legend, value axes left and right, categories
// along the bottom), in plain pixels without smoothing.

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  int right() const { return x + width; }  // one past the last column
  int bottom() const { return y + height; }
  bool Contains(int px, int py) const { return px >= x && px < right() && py >= y && py < bottom(); }
};

struct Point {
  int x, y;
  bool operator==(const Point&) const = default;
};

struct AxisTick {
  double value;
  std::string label;
  int y;  // the pixel row the tick marks
};

inline constexpr int kChartWidth = 1000, kChartHeight = 600;
inline constexpr uint32_t kChartBackground = 0xFFFFFF, kChartInk = 0x000000, kChartGrid = 0xD8D8D8;

// Where everything of a chart goes in a picture of a given size.
class ChartLayout {
 public:
  ChartLayout(const Chart& chart, int width, int height);

  // Where the series are drawn: the axes and the grid's outer lines lie just outside it.
  const Rect& plot() const { return plot_; }

  // The pixel of `value` on `axis` above the centre of `category`: the axis' low end on the plot's
  // last row, its high end on the first. Values beyond the range land outside the plot, where
  // drawing is cut off; a value that is not a number is left out.
  Point At(size_t category, double value, size_t axis) const;

  // The bar series `series` draws in `category`, from the axis' zero (or the nearer end of its
  // range) to the value, within the plot; empty for a line series or a value at zero.
  Rect Bar(size_t series, size_t category) const;

  std::vector<AxisTick> Ticks(size_t axis) const;

  // Every how many categories (from the first) a label is drawn, so that no two labels touch.
  size_t labelStep() const { return labelStep_; }

 private:
  struct Slot {
    size_t index = 0, count = 0;  // among the bar series of one axis
  };
  double Row(double value, size_t axis) const;
  int Centre(size_t category) const;

  Chart chart_;
  std::vector<AxisRange> ranges_;
  std::vector<Slot> slots_;  // per series
  Rect plot_;
  size_t labelStep_ = 1;
};

RgbImage DrawChart(const Chart& chart, int width = kChartWidth, int height = kChartHeight);

}  // namespace kaviro::chart
