#include "tools/chart/axis_ticks.h"

#include <cmath>
#include <cstdio>

namespace kaviro::chart {

namespace {
constexpr int kTicks = 5;
}  // namespace

AxisRange DrawnRange(const ValueAxis& axis) {
  const double low = std::isfinite(axis.low) ? axis.low : 0;
  const bool spans = std::isfinite(axis.high) && axis.high > low;
  return {low, spans ? axis.high : low + 1};
}

std::vector<double> TickValues(AxisRange range) {
  std::vector<double> ticks;
  for (int i = 0; i < kTicks - 1; ++i) ticks.push_back(range.low + (range.high - range.low) * i / (kTicks - 1));
  ticks.push_back(range.high);  // not the sum, which may miss it by a rounding
  return ticks;
}

std::string TickLabel(double value) {
  char text[320];  // room for the widest double
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string label = text;
  if (label.find('.') != std::string::npos) {
    while (label.back() == '0') label.pop_back();
    if (label.back() == '.') label.pop_back();
  }
  return label == "-0" ? "0" : label;
}

}  // namespace kaviro::chart
