#pragma once
#include <string>
#include <vector>

#include "tools/chart/chart_model.h"

namespace kaviro::chart {

// An axis' range as drawn: an empty or reversed one (or one that is not finite) spans one unit up
// from its low end, so every value maps somewhere.
struct AxisRange {
  double low, high;
};
AxisRange DrawnRange(const ValueAxis& axis);

// Five evenly spaced ticks, as Qt Charts puts on a value axis: the first is the range's low
// end and the last its high end, exactly.
std::vector<double> TickValues(AxisRange range);

// A tick's label: at most three decimals, trailing zeros dropped ("12.75", "0.075", "15").
std::string TickLabel(double value);

}  // namespace kaviro::chart
