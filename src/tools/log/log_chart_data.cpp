#include "tools/log/log_chart_data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kaviro {

namespace {

// The list columns the chart takes.
constexpr size_t kDate = 0, kMaxVoltage = 5, kMinVoltage = 6, kChargeKwh = 13, kLoadKwh = 16;

double Number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

}  // namespace

LogChartData LogChartOf(const std::vector<LogRow>& rows) {
  LogChartData d;
  for (const LogRow& row : rows) {
    d.days.push_back(row[kDate]);
    d.maxVoltage.push_back(Number(row[kMaxVoltage]));
    d.minVoltage.push_back(Number(row[kMinVoltage]));
    d.chargeKwh.push_back(Number(row[kChargeKwh]));
    d.loadKwh.push_back(Number(row[kLoadKwh]));
  }
  if (rows.empty()) return d;
  d.voltageLow = std::floor(*std::min_element(d.minVoltage.begin(), d.minVoltage.end()));
  d.voltageHigh = std::ceil(*std::max_element(d.maxVoltage.begin(), d.maxVoltage.end()));
  if (d.voltageHigh <= d.voltageLow) d.voltageHigh = d.voltageLow + 1;
  const double energy = std::max(*std::max_element(d.chargeKwh.begin(), d.chargeKwh.end()),
                                 *std::max_element(d.loadKwh.begin(), d.loadKwh.end()));
  d.energyHigh = energy > 0 ? energy : 1;
  return d;
}

}  // namespace kaviro
