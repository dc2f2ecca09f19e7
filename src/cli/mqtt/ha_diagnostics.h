#pragma once
#include <string>
#include <vector>

#include "cli/mqtt/ha_device.h"
#include "link/link_stats.h"

namespace kaviro::cli {

// The link's health as Home Assistant diagnostic sensors of the device: timeouts, CRC errors and
// the mean round trip, from one JSON message on PREFIX/DEVICE/diagnostics.
std::string DiagnosticsTopic(const Topics& topics);
std::vector<Retained> DiagnosticConfigs(const DeviceIdentity& identity, const Topics& topics);
std::string DiagnosticsJson(const LinkStatsSnapshot& stats);

}  // namespace kaviro::cli
