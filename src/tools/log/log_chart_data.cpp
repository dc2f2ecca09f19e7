#include "tools/log/log_chart_data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace kaviro {

namespace {

// The list columns the chart takes.
constexpr size_t kDate = 0, kMaxVoltage = 5, kMinVoltage = 6, kChargeKwh = 13, kLoadKwh = 16;

double Number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

chart::Series Column(const char* name, chart::SeriesKind kind, size_t axis, uint32_t rgb,
                     const std::vector<LogRow>& rows, size_t column) {
  chart::Series s{name, kind, axis, {}, rgb};
  for (const LogRow& row : rows) s.values.push_back(Number(row[column]));
  return s;
}

// The extremes over every series on `axis` (the records are not trusted to keep max above min).
std::pair<double, double> Extremes(const chart::Chart& c, size_t axis) {
  std::pair<double, double> e{HUGE_VAL, -HUGE_VAL};
  for (const chart::Series& s : c.series)
    if (s.axis == axis)
      for (double v : s.values) e = {std::min(e.first, v), std::max(e.second, v)};
  return e;
}

}  // namespace

chart::Chart LogChartOf(const std::vector<LogRow>& rows) {
  using chart::SeriesKind;
  chart::Chart c;
  c.title = "日志记录";
  for (const LogRow& row : rows) c.categories.push_back(row[kDate]);
  c.axes = {{"V", 0, 1}, {"KWH", 0, 1}};
  c.series = {Column("充电KWH", SeriesKind::kBars, kLogEnergyAxis, 0x2CA02C, rows, kChargeKwh),
              Column("负载KWH", SeriesKind::kBars, kLogEnergyAxis, 0xFF7F0E, rows, kLoadKwh),
              Column("最高电压", SeriesKind::kLine, kLogVoltageAxis, 0xD62728, rows, kMaxVoltage),
              Column("最低电压", SeriesKind::kLine, kLogVoltageAxis, 0x1F77B4, rows, kMinVoltage)};
  if (rows.empty()) return c;
  chart::ValueAxis& volts = c.axes[kLogVoltageAxis];
  const auto [low, high] = Extremes(c, kLogVoltageAxis);
  volts.low = std::floor(low);
  volts.high = std::ceil(high);
  if (volts.high <= volts.low) volts.high = volts.low + 1;
  const double energy = Extremes(c, kLogEnergyAxis).second;
  c.axes[kLogEnergyAxis].high = energy > 0 ? energy : 1;
  return c;
}

}  // namespace kaviro
