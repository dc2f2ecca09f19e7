#pragma once
#include <string>
#include <vector>

#include "tools/log/log_record.h"

namespace kaviro {

// The daily records as a chart shows them: per day the highest and lowest battery voltage and the
// energy charged and drawn, with axis ranges that hold every value.
struct LogChartData {
  std::vector<std::string> days;  // the record's date text, in list order
  std::vector<double> maxVoltage, minVoltage, chargeKwh, loadKwh;
  double voltageLow = 0, voltageHigh = 0;  // the voltage axis, whole volts around the values
  double energyHigh = 0;                   // the energy axis from 0
};

LogChartData LogChartOf(const std::vector<LogRow>& rows);

}  // namespace kaviro
