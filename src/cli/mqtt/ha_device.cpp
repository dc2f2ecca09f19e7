#include "cli/mqtt/ha_device.h"

#include <cstdio>
#include <ctime>
#include <set>

#include "link/text_format.h"
#include "monitor/decode_rules.h"

namespace kaviro::cli {

namespace {

// The register tables' units that Home Assistant has a class for.
constexpr UnitClass kUnitClasses[] = {
    {"V", "V", "voltage", "measurement"},
    {"A", "A", "current", "measurement"},
    {"C", "°C", "temperature", "measurement"},
    {"KWH", "kWh", "energy", "total_increasing"},
    {"W", "W", "power", "measurement"},
};

std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

bool HasAlphanumeric(std::string_view text) {
  for (char c : text)
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  return false;
}

TextKind KindOf(uint16_t address) {
  const DecodeRule* rule = RuleForAddress(address);
  return rule ? rule->text : TextKind::kCharacters;
}

}  // namespace

std::string TopicSafe(std::string_view text) {
  std::string safe;
  for (char c : text) {
    const bool keep = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-';
    safe += keep ? c : '_';
  }
  return safe;
}

DeviceIdentity IdentityOf(const std::optional<IdentificationTexts>& objects, const std::string& where, uint8_t unit,
                          const std::optional<std::string>& name) {
  DeviceIdentity identity;
  if (objects) {
    identity.manufacturer = Trimmed((*objects)[0]);
    identity.model = Trimmed((*objects)[1]);
    identity.hwVersion = Trimmed((*objects)[2]);
    identity.swVersion = Trimmed((*objects)[3]);
    identity.serial = Trimmed((*objects)[4]);
  }
  // A serial number of blanks or foreign characters names nothing.
  if (HasAlphanumeric(identity.serial)) {
    identity.id = "kaviro_" + TopicSafe(identity.serial);
    identity.name = "KAVIRO " + identity.serial;
  } else {
    identity.serial.clear();
    identity.id = TopicSafe(Format("kaviro_%s_%d", where.c_str(), unit));
    identity.name = Format("KAVIRO %s unit %d", where.c_str(), unit);
  }
  if (identity.manufacturer.empty()) identity.manufacturer = "KAVIRO";
  if (name && !name->empty()) identity.name = *name;
  return identity;
}

Topics TopicsFor(const std::string& prefix, const std::string& discoveryPrefix, const DeviceIdentity& identity) {
  Topics t;
  t.base = prefix + "/" + identity.id;
  t.state = t.base + "/state";
  t.availability = t.base + "/availability";
  t.result = t.base + "/result";
  t.discoveryPrefix = discoveryPrefix;
  t.deviceId = identity.id;
  return t;
}

const UnitClass* UnitClassOf(std::string_view unit) {
  for (const UnitClass& u : kUnitClasses)
    if (u.unit == unit) return &u;
  return nullptr;
}

std::optional<std::string> SensorUnit(std::string_view unit) {
  if (unit.empty() || unit == "-") return std::nullopt;
  if (const UnitClass* known = UnitClassOf(unit)) return std::string(known->haUnit);
  return std::string(unit);
}

bool NumericRegister(uint16_t address) {
  const TextKind kind = KindOf(address);
  return kind == TextKind::kInteger || kind == TextKind::kReal;
}

nlohmann::ordered_json DeviceObject(const DeviceIdentity& identity) {
  nlohmann::ordered_json device = {{"identifiers", {identity.id}}, {"name", identity.name}};
  device["manufacturer"] = identity.manufacturer;
  if (!identity.model.empty()) device["model"] = identity.model;
  if (!identity.swVersion.empty()) device["sw_version"] = identity.swVersion;
  if (!identity.hwVersion.empty()) device["hw_version"] = identity.hwVersion;
  if (!identity.serial.empty()) device["serial_number"] = identity.serial;
  return device;
}

void AddCommonFields(nlohmann::ordered_json& config, const DeviceIdentity& identity, const Topics& topics) {
  config["availability_topic"] = topics.availability;
  config["device"] = DeviceObject(identity);
}

std::string ConfigText(const nlohmann::ordered_json& config) {
  // Texts the controller sent that are not UTF-8 must not end the run.
  return config.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::vector<Retained> SensorConfigs(RegisterTable table, const DeviceIdentity& identity, const Topics& topics) {
  std::vector<Retained> configs;
  std::set<uint16_t> seen;
  for (const RegisterDescriptor& row : table) {
    if (row.address == kSeparatorAddress || !seen.insert(row.address).second) continue;
    const std::string key = RowKey(row.address);
    nlohmann::ordered_json config = {{"unique_id", identity.id + "_" + key},
                                     {"name", Trimmed(row.description)},
                                     {"state_topic", topics.state},
                                     {"value_template", "{{ value_json." + key + " }}"}};
    // Home Assistant wants numbers wherever a unit or class is given; texts get neither.
    if (NumericRegister(row.address)) {
      if (const auto unit = SensorUnit(row.unit)) config["unit_of_measurement"] = *unit;
      if (const UnitClass* known = UnitClassOf(row.unit)) {
        config["device_class"] = known->deviceClass;
        config["state_class"] = known->stateClass;
      }
    } else if (KindOf(row.address) == TextKind::kClock) {
      config["device_class"] = "timestamp";
    }
    AddCommonFields(config, identity, topics);
    configs.push_back({topics.discoveryPrefix + "/sensor/" + identity.id + "/" + key + "/config", ConfigText(config)});
  }
  return configs;
}

std::string IsoClock(const std::string& text) {
  std::tm t{};
  char tail = 0;
  if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &t.tm_year, &t.tm_mon, &t.tm_mday,
                                       &t.tm_hour, &t.tm_min, &t.tm_sec, &tail) != 6)
    return text;
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  t.tm_isdst = -1;
  std::tm normal = t;
  if (std::mktime(&normal) == -1) return text;
  char offset[8];
  std::strftime(offset, sizeof offset, "%z", &normal);
  const std::string sign(offset, 3);
  return text.substr(0, 10) + "T" + text.substr(11) + sign + ":" + std::string(offset + 3);
}

std::string StateJson(const std::vector<RowValue>& values) {
  nlohmann::ordered_json state = nlohmann::ordered_json::object();
  for (const RowValue& v : values) {
    std::visit(
        [&](const auto& value) {
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, std::string>) {
            const uint16_t address = static_cast<uint16_t>(std::stoul(v.key.substr(4), nullptr, 16));
            state[v.key] = KindOf(address) == TextKind::kClock ? IsoClock(value) : value;
          } else {
            state[v.key] = value;
          }
        },
        v.value);
  }
  return ConfigText(state);
}

}  // namespace kaviro::cli
