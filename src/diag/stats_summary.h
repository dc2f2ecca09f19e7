#pragma once
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "link/link_stats.h"

namespace kaviro::diag {

// One figure of the link's counters, as every view shows it: a key (JSON, command line), a
// label for the window and the value as text.
struct StatRow {
  const char* key;
  const char* label;
  std::string value;
};

std::vector<StatRow> StatRows(const LinkStatsSnapshot& s);

// "key: value" lines, for stderr.
std::string StatsText(const LinkStatsSnapshot& s);
// The same figures as one object; round trips in milliseconds.
nlohmann::ordered_json StatsJson(const LinkStatsSnapshot& s);
// A few lines for a tooltip.
std::string StatsTooltip(const LinkStatsSnapshot& s);

}  // namespace kaviro::diag
