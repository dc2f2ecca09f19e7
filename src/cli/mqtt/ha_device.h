#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/row_values.h"
#include "monitor/register_tables.h"
#include "tools/console/identification.h"

namespace kaviro::cli {

// The controller as Home Assistant knows it: one device, named by its serial number when the
// controller gave one, else by the link it sits on and its unit address.
struct DeviceIdentity {
  std::string id;  // topic-safe: letters, digits, '_' and '-'
  std::string name;
  std::string manufacturer, model, swVersion, hwVersion, serial;
};

// `where`: the link, e.g. "network_192.168.1.199" or "serial_ttyUSB0"; `name` replaces the
// generated device name.
DeviceIdentity IdentityOf(const std::optional<IdentificationTexts>& objects, const std::string& where, uint8_t unit,
                          const std::optional<std::string>& name);

// Letters, digits, '_' and '-' kept, everything else as '_'.
std::string TopicSafe(std::string_view text);

struct Topics {
  std::string base;             // <prefix>/<device>
  std::string state, availability, result;
  std::string discoveryPrefix;  // homeassistant
  std::string deviceId;
};
Topics TopicsFor(const std::string& prefix, const std::string& discoveryPrefix, const DeviceIdentity& identity);

// A retained message: a discovery config.
struct Retained {
  std::string topic;
  std::string payload;
};

// How Home Assistant reads a unit of the register tables.
struct UnitClass {
  std::string_view unit;  // as the register table has it
  const char* haUnit;     // as Home Assistant spells it
  const char* deviceClass;
  const char* stateClass;
};
const UnitClass* UnitClassOf(std::string_view unit);
// The unit a numeric register's sensor shows: Home Assistant's spelling, nothing for "-".
std::optional<std::string> SensorUnit(std::string_view unit);

// Whether a register's state value is a number (its decode rule formats a number).
bool NumericRegister(uint16_t address);

// One sensor config per register of the table (a register shown in several rows once, named by
// its first row).
std::vector<Retained> SensorConfigs(RegisterTable table, const DeviceIdentity& identity, const Topics& topics);
// What every config of the device carries: the device and the availability topic.
nlohmann::ordered_json DeviceObject(const DeviceIdentity& identity);
void AddCommonFields(nlohmann::ordered_json& config, const DeviceIdentity& identity, const Topics& topics);
std::string ConfigText(const nlohmann::ordered_json& config);

// The state message of one poll: every value under its key; the controller clock in ISO 8601.
std::string StateJson(const std::vector<RowValue>& values);
// "YYYY-MM-DD HH:MM:SS" local time as ISO 8601 with the local offset; other texts unchanged.
std::string IsoClock(const std::string& text);

}  // namespace kaviro::cli
