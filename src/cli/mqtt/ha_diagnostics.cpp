#include "cli/mqtt/ha_diagnostics.h"

namespace kaviro::cli {

namespace {

struct DiagnosticSensor {
  const char* key;
  const char* name;
  const char* unit;  // nullptr: a plain count
  const char* stateClass;
};

constexpr DiagnosticSensor kSensors[] = {
    {"timeouts", "Link timeouts", nullptr, "total_increasing"},
    {"crc_errors", "Link CRC errors", nullptr, "total_increasing"},
    {"round_trip_ms", "Link round trip", "ms", "measurement"},
};

}  // namespace

std::string DiagnosticsTopic(const Topics& topics) { return topics.base + "/diagnostics"; }

std::vector<Retained> DiagnosticConfigs(const DeviceIdentity& identity, const Topics& topics) {
  std::vector<Retained> configs;
  for (const DiagnosticSensor& s : kSensors) {
    nlohmann::ordered_json config = {{"unique_id", identity.id + "_" + s.key},
                                     {"name", s.name},
                                     {"state_topic", DiagnosticsTopic(topics)},
                                     {"value_template", std::string("{{ value_json.") + s.key + " }}"},
                                     {"entity_category", "diagnostic"},
                                     {"state_class", s.stateClass}};
    if (s.unit) {
      config["unit_of_measurement"] = s.unit;
      config["device_class"] = "duration";
    }
    AddCommonFields(config, identity, topics);
    configs.push_back({topics.discoveryPrefix + "/sensor/" + identity.id + "/" + s.key + "/config", ConfigText(config)});
  }
  return configs;
}

std::string DiagnosticsJson(const LinkStatsSnapshot& stats) {
  nlohmann::ordered_json j = {{"timeouts", stats.timeouts}, {"crc_errors", stats.crcErrors}};
  j["round_trip_ms"] = stats.roundTrips ? nlohmann::ordered_json(static_cast<double>(stats.rttMeanUs) / 1000.0)
                                        : nlohmann::ordered_json(nullptr);
  return ConfigText(j);
}

}  // namespace kaviro::cli
