#pragma once
#include <vector>

#include "tools/chart/chart_model.h"
#include "tools/log/log_record.h"

namespace kaviro {

// The daily records as a chart: per day the highest and lowest battery voltage as lines on the
// left axis (whole volts around the values), the energy charged and drawn as bars on the right
// axis (from 0), the days along the bottom in list order.
chart::Chart LogChartOf(const std::vector<LogRow>& rows);

// Where the chart keeps what: the tests and the dialog name them rather than count.
inline constexpr size_t kLogVoltageAxis = 0, kLogEnergyAxis = 1;

}  // namespace kaviro
