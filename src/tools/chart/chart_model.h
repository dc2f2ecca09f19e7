#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kaviro::chart {

// What a chart shows, whoever draws it: Qt Charts in the dialogs, the raster renderer headless.
// Both take the same value, so the picture a script saves is the one the window shows.

struct ValueAxis {
  std::string title;
  double low = 0, high = 1;
};

enum class SeriesKind { kLine, kBars };

struct Series {
  std::string name;  // the legend's text, UTF-8
  SeriesKind kind = SeriesKind::kLine;
  size_t axis = 0;             // index into Chart::axes
  std::vector<double> values;  // one per category
  uint32_t rgb = 0;            // 0xRRGGBB
};

// A chart over categories along the bottom (days, say); axes[0] is on the left, axes[1] on the right.
// Bars of one axis stand side by side in each category; lines pass through the categories' centres.
struct Chart {
  std::string title;
  std::vector<std::string> categories;
  std::vector<ValueAxis> axes;
  std::vector<Series> series;
};

}  // namespace kaviro::chart
