// What kaviro-cli mqtt tells Home Assistant, without a broker: discovery, state and commands.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <nlohmann/json.hpp>

#include "cli/mqtt/ha_commands.h"
#include "cli/mqtt/ha_device.h"
#include "cli/mqtt/ha_diagnostics.h"

namespace kaviro::cli {
namespace {

using nlohmann::json;

const DeviceIdentity kDevice = {"kaviro_24051701", "KAVIRO 24051701", "KAVIRO", "KV", "SW", "HW", "24051701"};
const Topics kTopics = TopicsFor("kaviro", "homeassistant", kDevice);

json SensorConfig(int language, uint16_t address) {
  for (const Retained& r : SensorConfigs(*RegisterTableFor(language), kDevice, kTopics))
    if (r.topic == "homeassistant/sensor/kaviro_24051701/" + RowKey(address) + "/config") return json::parse(r.payload);
  return nullptr;
}

struct SensorCase {
  const char* name;
  int language;
  uint16_t address;
  const char* unit;  // nullptr: none
  const char* deviceClass;
  const char* stateClass;
};

class SensorTest : public ::testing::TestWithParam<SensorCase> {};

TEST_P(SensorTest, ClassesFollowTheRowsUnitForNumbersOnly) {
  const SensorCase& c = GetParam();
  const json config = SensorConfig(c.language, c.address);
  ASSERT_TRUE(config.is_object());
  EXPECT_EQ(config["value_template"], "{{ value_json." + RowKey(c.address) + " }}");
  EXPECT_EQ(config["state_topic"], "kaviro/kaviro_24051701/state");
  EXPECT_EQ(config["availability_topic"], "kaviro/kaviro_24051701/availability");
  EXPECT_EQ(config["unique_id"], "kaviro_24051701_" + RowKey(c.address));
  const auto field = [&](const char* name) { return config.contains(name) ? config[name].get<std::string>() : "-"; };
  EXPECT_EQ(field("unit_of_measurement"), c.unit ? c.unit : "-");
  EXPECT_EQ(field("device_class"), c.deviceClass ? c.deviceClass : "-");
  EXPECT_EQ(field("state_class"), c.stateClass ? c.stateClass : "-");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SensorTest,
    ::testing::Values(SensorCase{"BatteryVolts", 1, 0x0018, "V", "voltage", "measurement"},
                      SensorCase{"LoadAmps", 1, 0x001D, "A", "current", "measurement"},
                      SensorCase{"HeatsinkCelsius", 0, 0x0023, "°C", "temperature", "measurement"},
                      SensorCase{"EnergyTotal", 1, 0x0039, "kWh", "energy", "total_increasing"},
                      SensorCase{"OutputWatts", 0, 0x003A, "W", "power", "measurement"},
                      SensorCase{"AmpHoursKeepTheirUnit", 1, 0x0000, "AH", nullptr, nullptr},
                      SensorCase{"FaultWordHasNoUnit", 1, 0x002C, nullptr, nullptr, nullptr},
                      SensorCase{"EnumerationIsText", 1, 0x0032, nullptr, nullptr, nullptr},
                      // The English list labels the clock register "Voc of last sweep" in V.
                      SensorCase{"ClockIsATimestampWhateverItsUnit", 0, 0x003E, nullptr, "timestamp", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SensorConfigs, OnePerRegisterNamedByItsFirstRow) {
  for (const int language : {0, 1}) {
    const RegisterTable table = *RegisterTableFor(language);
    std::set<uint16_t> addresses;
    for (const RegisterDescriptor& row : table)
      if (row.address != kSeparatorAddress) addresses.insert(row.address);
    const std::vector<Retained> configs = SensorConfigs(table, kDevice, kTopics);
    EXPECT_EQ(configs.size(), addresses.size());
    for (const uint16_t address : addresses) {
      const RegisterDescriptor& first = table[RowsForAddress(table, address).front()];
      std::string name(first.description);
      while (!name.empty() && name.back() == ' ') name.pop_back();
      EXPECT_EQ(SensorConfig(language, address)["name"], name.substr(name.find_first_not_of(' ')));
    }
  }
}

struct StateCase {
  const char* name;
  std::vector<RowValue> values;
  const char* json;
};

class StateTest : public ::testing::TestWithParam<StateCase> {
 protected:
  // The clock's offset is the local one; the table is written for UTC.
  static void SetUpTestSuite() {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
};

TEST_P(StateTest, NumbersAsNumbersTextsAsTextsClockInIso8601) {
  EXPECT_EQ(StateJson(GetParam().values), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StateTest,
    ::testing::Values(
        StateCase{"Typed", {{"reg_0018", 12.75}, {"reg_002c", int64_t{128}}, {"reg_0032", std::string("NIGHT")}},
                  R"({"reg_0018":12.75,"reg_002c":128,"reg_0032":"NIGHT"})"},
        StateCase{"Clock", {{"reg_003e", std::string("2026-01-15 08:30:05")}}, R"({"reg_003e":"2026-01-15T08:30:05+00:00"})"},
        StateCase{"TimeOfDayStaysAsShown", {{"reg_e080", std::string("01:02:05")}}, R"({"reg_e080":"01:02:05"})"},
        StateCase{"NotUtf8IsReplaced", {{"reg_e0c0", std::string("A\xFF")}}, "{\"reg_e0c0\":\"A\xEF\xBF\xBD\"}"}),
    [](const auto& info) { return std::string(info.param.name); });

struct RangeCase {
  const char* name;
  double min, max, step;
};

class RangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RangeTest, NumbersOfferTheEnforcedRange) {
  const RangeCase& c = GetParam();
  const NumberRange range = RangeOf(*FindParamRow(c.name));
  EXPECT_DOUBLE_EQ(range.min, c.min);
  EXPECT_DOUBLE_EQ(range.max, c.max);
  EXPECT_DOUBLE_EQ(range.step, c.step);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RangeTest,
    ::testing::Values(RangeCase{"battery-min", 9, 17, 0.01},  // below the maximum, which is at most 17
                      RangeCase{"battery-max", 9, 17, 0.01},
                      RangeCase{"load-hvd", 13, 60, 0.01},
                      RangeCase{"load-hvr", 0, 59.7, 0.01},  // at most HVD − 0.3
                      RangeCase{"maintenance-days", 30, 90, 1},  // as checked, not as the note says
                      RangeCase{"lvd-alarm-delay", 1, 6, 0.1},
                      RangeCase{"temp-comp-min", -40, 120, 1},
                      RangeCase{"equalize-time", 5400, 9000, 1},
                      RangeCase{"overload-delay", 0, 65535, 1}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& c : n) c = c == '-' ? '_' : c;
      return n;
    });

TEST(CommandConfigs, ElevenButtonsAndEveryParameterOnce) {
  std::map<std::string, int> kinds;
  std::set<std::string> names;
  for (const Retained& r : CommandConfigs(*RegisterTableFor(1), kDevice, kTopics)) {
    const json config = json::parse(r.payload);
    const std::string kind = r.topic.substr(std::string("homeassistant/").size(), r.topic.find('/', 14) - 14);
    ++kinds[kind];
    const std::string name = config["unique_id"].get<std::string>().substr(kDevice.id.size() + 1);
    EXPECT_TRUE(names.insert(name).second) << name;
    EXPECT_EQ(config["command_topic"], "kaviro/kaviro_24051701/" + kind + "/" + name + "/set");
    if (kind == "select") {
      EXPECT_EQ(config["options"].size(), 2u);
    }
  }
  EXPECT_EQ(kinds["button"], 11);
  EXPECT_EQ(kinds["select"], 3);
  EXPECT_EQ(kinds["number"], static_cast<int>(ParamRows().size()) - 3);
}

struct CommandCase {
  const char* name;
  std::string topic;
  std::string payload;
  std::optional<uint16_t> coil;  // an action
  const char* row;               // a parameter row, with `input`
  const char* input;
};

class ParseTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ParseTest, TopicAndPayloadNameTheOperation) {
  const CommandCase& c = GetParam();
  const std::optional<Command> command = ParseCommand(kTopics, c.topic, c.payload);
  if (!c.coil && !c.row) {
    EXPECT_FALSE(command);
    return;
  }
  ASSERT_TRUE(command);
  if (c.coil) {
    ASSERT_TRUE(command->action);
    EXPECT_EQ(command->action->coil, *c.coil);
  } else {
    ASSERT_TRUE(command->row);
    EXPECT_STREQ(command->row->name, c.row);
    EXPECT_EQ(command->input, c.input);
  }
}

const std::string kBase = "kaviro/kaviro_24051701/";

INSTANTIATE_TEST_SUITE_P(
    Topics, ParseTest,
    ::testing::Values(
        CommandCase{"ClearFaults", kBase + "button/clear-faults/set", "PRESS", 0x0014, nullptr, nullptr},
        CommandCase{"Reset", kBase + "button/reset/set", "PRESS", 0x00FF, nullptr, nullptr},
        CommandCase{"ButtonOtherPayload", kBase + "button/clear-faults/set", "press", std::nullopt, nullptr, nullptr},
        CommandCase{"NoSuchButton", kBase + "button/self-destruct/set", "PRESS", std::nullopt, nullptr, nullptr},
        CommandCase{"NumberAsTyped", kBase + "number/load-hvd/set", "13.5", std::nullopt, "load-hvd", "13.5"},
        CommandCase{"NumberByRegisterIsNotATopic", kBase + "number/0xE00E/set", "13", std::nullopt, nullptr, nullptr},
        CommandCase{"SelectOption", kBase + "select/lighting-mode/set", "智能", std::nullopt, "lighting-mode", "1"},
        CommandCase{"SelectFirstOption", kBase + "select/rd-link/set", "连接", std::nullopt, "rd-link", "0"},
        CommandCase{"SelectUnknownGoesToTheCheck", kBase + "select/rd-link/set", "2", std::nullopt, "rd-link", "2"},
        CommandCase{"SelectRowIsNoNumber", kBase + "number/lighting-mode/set", "1", std::nullopt, nullptr, nullptr},
        CommandCase{"NumberRowIsNoSelect", kBase + "select/load-hvd/set", "13", std::nullopt, nullptr, nullptr},
        CommandCase{"OtherDevice", "kaviro/kaviro_other/button/reset/set", "PRESS", std::nullopt, nullptr, nullptr},
        CommandCase{"WithoutSet", kBase + "button/reset", "PRESS", std::nullopt, nullptr, nullptr},
        CommandCase{"OwnState", kBase + "state", "{}", std::nullopt, nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

struct IdentityCase {
  const char* name;
  const char* serial;
  const char* id;
};

class IdentityTest : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(IdentityTest, SerialNumberElseLinkAndUnit) {
  const IdentificationTexts objects = {"KAVIRO", "KV-MPPT30", "HW V2.1", "SW V3.07", GetParam().serial};
  EXPECT_EQ(IdentityOf(objects, "network_127.0.0.1", 7, std::nullopt).id, GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(Serials, IdentityTest,
                         ::testing::Values(IdentityCase{"Read", "24051701", "kaviro_24051701"},
                                           IdentityCase{"Blank", "        ", "kaviro_network_127_0_0_1_7"},
                                           IdentityCase{"Empty", "", "kaviro_network_127_0_0_1_7"},
                                           IdentityCase{"NotTopicSafe", "AB/C#+1 ", "kaviro_AB_C__1"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Identity, NothingReadNamesTheLink) {
  const DeviceIdentity identity = IdentityOf(std::nullopt, "serial_ttyUSB0", 1, std::nullopt);
  EXPECT_EQ(identity.id, "kaviro_serial_ttyUSB0_1");
  EXPECT_EQ(identity.manufacturer, "KAVIRO");
  EXPECT_EQ(IdentityOf(std::nullopt, "serial_ttyUSB0", 1, "Shed").name, "Shed");
}

TEST(Diagnostics, ThreeDiagnosticSensorsReadTheirOwnTopic) {
  const std::vector<Retained> configs = DiagnosticConfigs(kDevice, kTopics);
  ASSERT_EQ(configs.size(), 3u);
  std::vector<std::string> keys;
  for (const Retained& r : configs) {
    const json c = json::parse(r.payload);
    EXPECT_EQ(c["entity_category"], "diagnostic");
    EXPECT_EQ(c["state_topic"], "kaviro/kaviro_24051701/diagnostics");
    EXPECT_EQ(c["device"]["identifiers"][0], "kaviro_24051701");
    keys.push_back(c["unique_id"].get<std::string>());
    EXPECT_EQ(r.topic, "homeassistant/sensor/kaviro_24051701/" + keys.back().substr(16) + "/config");
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"kaviro_24051701_timeouts", "kaviro_24051701_crc_errors",
                                            "kaviro_24051701_round_trip_ms"}));

  LinkStatsSnapshot stats;
  EXPECT_EQ(json::parse(DiagnosticsJson(stats)), json::parse(R"({"timeouts":0,"crc_errors":0,"round_trip_ms":null})"));
  stats.timeouts = 3;
  stats.crcErrors = 2;
  stats.roundTrips = 5;
  stats.rttMeanUs = 41500;
  EXPECT_EQ(json::parse(DiagnosticsJson(stats)), json::parse(R"({"timeouts":3,"crc_errors":2,"round_trip_ms":41.5})"));
}

}  // namespace
}  // namespace kaviro::cli
