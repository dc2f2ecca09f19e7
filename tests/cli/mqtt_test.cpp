// kaviro-cli mqtt against a real mosquitto broker and kaviro-sim, all on loopback.
#include <nlohmann/json.hpp>
#include <regex>

#include "cli_fixture.h"
#include "monitor/register_tables.h"
#include "mqtt_fixture.h"

namespace kaviro::testing {
namespace {

using nlohmann::json;

constexpr int kWaitMs = 20000;
// A silent serial controller takes four failed polls of 2 s each before it counts as lost.
constexpr int kSilenceWaitMs = 40000;

bool Is(const std::string& payload, const char* text) { return payload == text; }

class MqttTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(broker_.Start());
    sim_.StderrTo((dir_.path() / "sim.log").string());
  }

  bool StartNetworkSim(int port = 0) {
    simArgs_ = {"--tcp", std::to_string(port), "--verbose"};
    if (!sim_.Start(kSimBinary, simArgs_)) return false;
    link_ = {"--mode", "network", "--host", "127.0.0.1", "--port", std::to_string(sim_.tcpPort())};
    return true;
  }
  bool StartSerialSim() {
    const std::string pty = SimProcess::UniquePath("mqtt");
    if (!sim_.Start(kSimBinary, {"--pty", pty})) return false;
    link_ = {"--mode", "serial", "--device", pty};
    return true;
  }

  // The publisher under test, its topics under `prefix` and discovery under `discovery`.
  void StartPublisher() {
    publisher_ = std::make_unique<Child>();
    ASSERT_TRUE(publisher_->Start(kCli,
                                  Concat({"mqtt", "--broker", broker_.address(), "--prefix", prefix_,
                                          "--discovery-prefix", discovery_, "--interval", "1"},
                                         link_),
                                  {.dir = dir_.path(), .timeoutMs = 300000}));
  }

  // The device's topic root, from its first availability message.
  std::string DeviceBase(Watcher& watcher) {
    const std::regex availability("^" + prefix_ + "/([A-Za-z0-9_-]+)/availability$");
    for (int waited = 0; waited < kWaitMs; waited += 50) {
      for (const Message& m : watcher.Since(0)) {
        std::smatch match;
        if (std::regex_match(m.topic, match, availability)) return prefix_ + "/" + match[1].str();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
  }

  std::string SimLog() { return ReadFileBytes(dir_.path() / "sim.log"); }

  TempDir dir_;
  Broker broker_{dir_};
  SimProcess sim_;
  std::vector<std::string> simArgs_, link_;
  std::unique_ptr<Child> publisher_;
  std::string prefix_ = "kaviro", discovery_ = "homeassistant";
};

// A poll's row value as a dashboard takes it: bit words and whole numbers as integers, other
// numbers as decimals, the rest as text.
json Typed(const std::string& text, const json& like) {
  if (!like.is_number()) return text;
  if (text.rfind("0X", 0) == 0) return std::stoll(text.substr(2), nullptr, 16);
  if (like.is_number_integer()) return std::stoll(text);
  return std::stod(text);
}

TEST_F(MqttTest, DiscoveryStateAndCommandsAgainstTheNetworkSimulator) {
  ASSERT_TRUE(StartNetworkSim());
  // The poll first: the simulator serves one connection at a time.
  const ChildResult poll = Cli(dir_, Concat({"poll", "--count", "2", "--interval", "1", "--format", "json"}, link_));
  ASSERT_EQ(poll.code, 0) << poll;
  std::vector<json> polls;
  for (const std::string& line : Lines(poll.out)) {
    json byKey = json::object();
    const json parsed = json::parse(line);
    for (const json& row : parsed["rows"])
      if (!row["address"].get<std::string>().empty() && !row["value"].get<std::string>().empty())
        byKey["reg_" + [](std::string a) {
          for (char& c : a) c = static_cast<char>(std::tolower(c));
          return a.substr(2);
        }(row["address"].get<std::string>())] = row["value"];
    polls.push_back(byKey);
  }
  ASSERT_EQ(polls.size(), 2u);

  Watcher watcher(broker_.port(), "#");
  ASSERT_TRUE(watcher.WaitConnected());
  StartPublisher();
  const std::string base = DeviceBase(watcher);
  ASSERT_FALSE(base.empty());
  ASSERT_TRUE(watcher.WaitFor(base + "/availability", 0, kWaitMs, [](auto& p) { return Is(p, "online"); }));

  // The simulator's readings move a little from poll to poll (the last digit flickers, the
  // plant drifts): texts must match the poll's exactly where the poll saw them hold still,
  // numbers must be numbers of the same kind and near the poll's reading.
  // The second state from here: the first may have gone out before the announcement.
  ASSERT_TRUE(watcher.WaitFor(base + "/state", watcher.Mark(), kWaitMs));
  const auto stateMessage = watcher.WaitFor(base + "/state", watcher.Mark(), kWaitMs);
  ASSERT_TRUE(stateMessage);
  const json state = json::parse(stateMessage->payload);
  EXPECT_EQ(state.size(), polls[1].size());
  int texts = 0, numbers = 0;
  for (const auto& [key, value] : state.items()) {
    ASSERT_TRUE(polls[1].contains(key)) << key << " is not in the poll";
    const std::string text = polls[1][key];
    const bool steady = polls[0].contains(key) && polls[0][key] == text;
    if (value.is_string()) {
      if (!steady || key == "reg_003e") continue;
      EXPECT_EQ(value, text) << key;
      ++texts;
      continue;
    }
    ASSERT_TRUE(value.is_number()) << key;
    const json typed = Typed(text, value);
    EXPECT_EQ(value.is_number_integer(), text.find('.') == std::string::npos) << key << " " << text;
    EXPECT_NEAR(value.get<double>(), typed.get<double>(), 0.05 + 0.02 * std::abs(typed.get<double>())) << key;
    ++numbers;
  }
  EXPECT_GE(texts, 10);
  EXPECT_GE(numbers, 30);
  ASSERT_TRUE(state.contains("reg_003e"));
  EXPECT_TRUE(std::regex_match(state["reg_003e"].get<std::string>(),
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")))
      << state["reg_003e"];

  // Every sensor config parses, names a key of the state and carries its row's unit.
  const std::map<std::string, std::string> haUnits = {{"C", "°C"}, {"KWH", "kWh"}};
  const RegisterTable table = *RegisterTableFor(1);
  std::set<uint16_t> addresses;
  for (const RegisterDescriptor& row : table)
    if (row.address != kSeparatorAddress) addresses.insert(row.address);
  const std::string device = base.substr(prefix_.size() + 1);
  std::set<std::string> sensors;
  int diagnostics = 0;
  for (const Message& m : watcher.Since(0)) {
    if (m.topic.rfind(discovery_ + "/sensor/" + device + "/", 0) != 0) continue;
    const json config = json::parse(m.payload);
    if (config.value("entity_category", "") == "diagnostic") {
      ++diagnostics;
      EXPECT_EQ(config["state_topic"], base + "/diagnostics");
      continue;
    }
    const std::smatch key = [&] {
      std::smatch k;
      const std::string& t = config["value_template"].get_ref<const std::string&>();
      std::regex_match(t, k, std::regex(R"(\{\{ value_json\.(reg_[0-9a-f]{4}) \}\})"));
      return k;
    }();
    ASSERT_EQ(key.size(), 2u) << m.payload;
    const std::string name = key[1];
    sensors.insert(name);
    ASSERT_TRUE(state.contains(name)) << name;
    EXPECT_EQ(config["state_topic"], base + "/state");
    EXPECT_EQ(config["availability_topic"], base + "/availability");
    EXPECT_EQ(config["device"]["identifiers"][0], device);
    const auto address = static_cast<uint16_t>(std::stoul(name.substr(4), nullptr, 16));
    const RegisterDescriptor& row = table[RowsForAddress(table, address).front()];
    const std::string unit(row.unit);
    if (state[name].is_number() && unit != "-")
      EXPECT_EQ(config.value("unit_of_measurement", ""), haUnits.count(unit) ? haUnits.at(unit) : unit) << name;
    else
      EXPECT_FALSE(config.contains("unit_of_measurement")) << name;
  }
  EXPECT_EQ(sensors.size(), addresses.size());
  EXPECT_EQ(diagnostics, 3);
  const std::optional<Message> health = watcher.WaitFor(base + "/diagnostics", 0, kWaitMs);
  ASSERT_TRUE(health);
  EXPECT_EQ(json::parse(health->payload)["timeouts"], 0);
  const json someConfig = json::parse(watcher.WaitFor(discovery_ + "/sensor/" + device + "/reg_0018/config", 0, 0)->payload);
  EXPECT_EQ(device, "kaviro_" + someConfig["device"]["serial_number"].get<std::string>());

  // Home Assistant restarted: everything is announced again.
  size_t mark = watcher.Mark();
  watcher.Publish(discovery_ + "/status", "online");
  EXPECT_TRUE(watcher.WaitFor(discovery_ + "/sensor/" + device + "/reg_0018/config", mark, kWaitMs));
  EXPECT_TRUE(watcher.WaitFor(discovery_ + "/button/" + device + "/clear-faults/config", mark, kWaitMs));

  // 清除故障: the fault word of the next state is clear.
  ASSERT_NE(state["reg_002c"], 0);
  mark = watcher.Mark();
  watcher.Publish(base + "/button/clear-faults/set", "PRESS");
  const auto pressed = watcher.WaitFor(base + "/result", mark, kWaitMs);
  ASSERT_TRUE(pressed);
  EXPECT_EQ(pressed->payload, "设置成功！");
  const size_t afterPress = watcher.Mark();
  const auto cleared = watcher.WaitFor(base + "/state", afterPress, kWaitMs);
  ASSERT_TRUE(cleared);
  EXPECT_EQ(json::parse(cleared->payload)["reg_002c"], 0);

  // A number out of range is refused and nothing goes on the wire; one in range is written.
  const std::string hvdWrite = "01 06 E0 0E";
  mark = watcher.Mark();
  watcher.Publish(base + "/number/load-hvd/set", "99");
  const auto refused = watcher.WaitFor(base + "/result", mark, kWaitMs);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->payload, "输入数据有误，请重新输入！");
  EXPECT_EQ(SimLog().find(hvdWrite), std::string::npos);
  mark = watcher.Mark();
  watcher.Publish(base + "/number/load-hvd/set", "14.5");
  const auto written = watcher.WaitFor(base + "/result", mark, kWaitMs);
  ASSERT_TRUE(written);
  EXPECT_EQ(written->payload, "设置成功！");
  EXPECT_NE(SimLog().find(hvdWrite + " 05 AA"), std::string::npos);
  const size_t afterWrite = watcher.Mark();
  EXPECT_TRUE(watcher.WaitFor(base + "/state", afterWrite, kWaitMs,
                              [](const std::string& p) { return json::parse(p)["reg_e00e"] == 14.5; }));

  // SIGTERM: offline, said before leaving, and a clean exit.
  mark = watcher.Mark();
  publisher_->Signal(SIGTERM);
  EXPECT_TRUE(watcher.WaitFor(base + "/availability", mark, kWaitMs, [](auto& p) { return Is(p, "offline"); }));
  const ChildResult ended = publisher_->Finish();
  EXPECT_TRUE(ended.exited && ended.code == 0) << ended;
}

TEST_F(MqttTest, BrokerRestartedThenSimulatorRestartedThenPublisherKilled) {
  ASSERT_TRUE(StartNetworkSim());
  StartPublisher();
  {
    Watcher watcher(broker_.port(), "#");
    ASSERT_TRUE(watcher.WaitConnected());
    const std::string base = DeviceBase(watcher);
    ASSERT_TRUE(watcher.WaitFor(base + "/availability", 0, kWaitMs, [](auto& p) { return Is(p, "online"); }));
  }
  // The broker goes and comes back empty: the publisher connects again by itself and announces
  // everything again.
  broker_.Stop();
  ASSERT_TRUE(broker_.Start());
  Watcher watcher(broker_.port(), "#");
  ASSERT_TRUE(watcher.WaitConnected());
  const std::string base = DeviceBase(watcher);
  ASSERT_FALSE(base.empty());
  const std::string device = base.substr(prefix_.size() + 1);
  EXPECT_TRUE(watcher.WaitFor(discovery_ + "/sensor/" + device + "/reg_0018/config", 0, kWaitMs));
  EXPECT_TRUE(watcher.WaitFor(base + "/availability", 0, kWaitMs, [](auto& p) { return Is(p, "online"); }));

  // The controller restarts on the same port: offline while it is away, online once polled again.
  const int port = sim_.tcpPort();
  size_t mark = watcher.Mark();
  sim_.Stop();
  EXPECT_TRUE(watcher.WaitFor(base + "/availability", mark, kWaitMs, [](auto& p) { return Is(p, "offline"); }));
  ASSERT_TRUE(StartNetworkSim(port));
  mark = watcher.Mark();
  EXPECT_TRUE(watcher.WaitFor(base + "/availability", mark, kWaitMs + 30000, [](auto& p) { return Is(p, "online"); }));
  EXPECT_TRUE(watcher.WaitFor(base + "/state", mark, kWaitMs));

  // Killed: the broker says offline for it, by its last will.
  mark = watcher.Mark();
  publisher_->Signal(SIGKILL);
  EXPECT_TRUE(watcher.WaitFor(base + "/availability", mark, kWaitMs, [](auto& p) { return Is(p, "offline"); }));
  publisher_->Finish();
}

TEST_F(MqttTest, SilencedSerialControllerGoesOfflineAndComesBack) {
  ASSERT_TRUE(StartSerialSim());
  Watcher watcher(broker_.port(), "#");
  ASSERT_TRUE(watcher.WaitConnected());
  StartPublisher();
  const std::string base = DeviceBase(watcher);
  ASSERT_FALSE(base.empty());
  ASSERT_TRUE(watcher.WaitFor(base + "/availability", 0, kWaitMs, [](auto& p) { return Is(p, "online"); }));
  size_t mark = watcher.Mark();
  ::kill(sim_.pid(), SIGUSR1);
  EXPECT_TRUE(watcher.WaitFor(base + "/availability", mark, kSilenceWaitMs, [](auto& p) { return Is(p, "offline"); }));
  mark = watcher.Mark();
  ::kill(sim_.pid(), SIGUSR1);
  EXPECT_TRUE(watcher.WaitFor(base + "/availability", mark, kSilenceWaitMs, [](auto& p) { return Is(p, "online"); }));
  EXPECT_TRUE(watcher.WaitFor(base + "/state", mark, kWaitMs));
  publisher_->Signal(SIGTERM);
  EXPECT_EQ(publisher_->Finish().code, 0);
}

// Three units on one line or behind one port: three devices, each its own state, availability
// and commands.
class MqttUnitsTest : public MqttTest, public ::testing::WithParamInterface<Mode> {
 protected:
  bool StartUnitsSim() {
    std::vector<std::string> args = {"--units", "1,2,3", "--signal-units", "2", "--verbose"};
    if (GetParam() == Mode::kNetwork) {
      args.insert(args.end(), {"--tcp", "0"});
    } else {
      pty_ = SimProcess::UniquePath("mqtt");
      args.insert(args.end(), {"--pty", pty_});
      if (GetParam() == Mode::kWireless) args.push_back("--wireless");
    }
    if (!sim_.Start(kSimBinary, args)) return false;
    if (GetParam() == Mode::kNetwork)
      link_ = {"--mode", "network", "--host", "127.0.0.1", "--port", std::to_string(sim_.tcpPort())};
    else
      link_ = {"--mode", GetParam() == Mode::kWireless ? "wireless" : "serial", "--device", pty_};
    link_.insert(link_.end(), {"--id", "1,2,3"});
    return true;
  }
  std::string pty_;
};

// A poll's json rows as the state's keys and texts.
std::map<std::string, std::string> RowsByKey(const json& poll) {
  std::map<std::string, std::string> byKey;
  for (const json& row : poll["rows"]) {
    std::string a = row["address"];
    if (a.empty() || row["value"].get<std::string>().empty()) continue;
    for (char& c : a) c = static_cast<char>(std::tolower(c));
    byKey["reg_" + a.substr(2)] = row["value"];
  }
  return byKey;
}

TEST_P(MqttUnitsTest, EachUnitItsOwnDeviceStateCommandsAndAvailability) {
  ASSERT_TRUE(StartUnitsSim()) << sim_.output();
  // The poll first (one bus owner at a time): what each unit's state must agree with.
  const ChildResult poll = Cli(dir_, Concat({"poll", "--once", "--format", "json"}, link_));
  ASSERT_EQ(poll.code, 0) << poll;
  std::map<int, std::map<std::string, std::string>> polled;
  for (const std::string& line : Lines(poll.out)) {
    const json parsed = json::parse(line);
    polled[parsed["unit"].get<int>()] = RowsByKey(parsed);
  }
  ASSERT_EQ(polled.size(), 3u) << poll.out;

  Watcher watcher(broker_.port(), "#");
  ASSERT_TRUE(watcher.WaitConnected());
  StartPublisher();
  std::map<int, std::string> base;
  for (int unit = 1; unit <= 3; ++unit) {
    base[unit] = prefix_ + "/kaviro_2405170" + std::to_string(unit);
    ASSERT_TRUE(watcher.WaitFor(base[unit] + "/availability", 0, kWaitMs, [](auto& p) { return Is(p, "online"); }))
        << "unit " << unit << " not online under its serial number";
    const auto config = watcher.WaitFor(discovery_ + "/sensor/kaviro_2405170" + std::to_string(unit) + "/reg_0018/config",
                                        0, kWaitMs);
    ASSERT_TRUE(config);
    const json device = json::parse(config->payload)["device"];
    EXPECT_EQ(device["serial_number"], "2405170" + std::to_string(unit));
    EXPECT_EQ(json::parse(config->payload)["availability_topic"], base[unit] + "/availability");
  }
  for (int unit = 1; unit <= 3; ++unit) {
    SCOPED_TRACE("unit " + std::to_string(unit));
    const auto message = watcher.WaitFor(base[unit] + "/state", watcher.Mark(), kWaitMs);
    ASSERT_TRUE(message);
    const json state = json::parse(message->payload);
    EXPECT_EQ(state.size(), polled[unit].size());
    for (const auto& [key, value] : state.items()) {
      ASSERT_TRUE(polled[unit].count(key)) << key;
      if (!value.is_number()) continue;
      const json typed = Typed(polled[unit][key], value);
      EXPECT_NEAR(value.get<double>(), typed.get<double>(), 0.05 + 0.02 * std::abs(typed.get<double>())) << key;
    }
  }

  // A setting sent to unit 2 is written to unit 2 only.
  size_t mark = watcher.Mark();
  watcher.Publish(base[2] + "/number/load-hvd/set", "14.5");
  const auto written = watcher.WaitFor(base[2] + "/result", mark, kWaitMs);
  ASSERT_TRUE(written);
  EXPECT_EQ(written->payload, "设置成功！");
  const std::string log = SimLog();
  EXPECT_NE(log.find("02 06 E0 0E 05 AA"), std::string::npos) << log.substr(0, 2000);
  EXPECT_EQ(log.find("01 06 E0 0E"), std::string::npos);
  EXPECT_EQ(log.find("03 06 E0 0E"), std::string::npos);
  EXPECT_TRUE(watcher.WaitFor(base[2] + "/state", watcher.Mark(), kWaitMs,
                              [](const std::string& p) { return json::parse(p)["reg_e00e"] == 14.5; }));
  const auto other = watcher.WaitFor(base[3] + "/state", watcher.Mark(), kWaitMs);
  ASSERT_TRUE(other);
  EXPECT_NE(json::parse(other->payload)["reg_e00e"], 14.5);
  for (const Message& m : watcher.Since(mark)) EXPECT_NE(m.topic, base[1] + "/result") << m.payload;

  // Unit 2 silenced: only its availability goes offline; the others keep publishing.
  mark = watcher.Mark();
  ::kill(sim_.pid(), SIGUSR1);
  EXPECT_TRUE(watcher.WaitFor(base[2] + "/availability", mark, kSilenceWaitMs, [](auto& p) { return Is(p, "offline"); }));
  const size_t offline = watcher.Mark();
  EXPECT_TRUE(watcher.WaitFor(base[1] + "/state", offline, kWaitMs));
  EXPECT_TRUE(watcher.WaitFor(base[3] + "/state", offline, kWaitMs));
  for (const Message& m : watcher.Since(mark)) {
    EXPECT_NE(m.topic, base[1] + "/availability") << m.payload;
    EXPECT_NE(m.topic, base[3] + "/availability") << m.payload;
  }
  mark = watcher.Mark();
  ::kill(sim_.pid(), SIGUSR1);
  EXPECT_TRUE(watcher.WaitFor(base[2] + "/availability", mark, kSilenceWaitMs, [](auto& p) { return Is(p, "online"); }));
  EXPECT_TRUE(watcher.WaitFor(base[2] + "/state", mark, kWaitMs));

  mark = watcher.Mark();
  publisher_->Signal(SIGTERM);
  for (int unit = 1; unit <= 3; ++unit)
    EXPECT_TRUE(watcher.WaitFor(base[unit] + "/availability", mark, kWaitMs, [](auto& p) { return Is(p, "offline"); }));
  EXPECT_EQ(publisher_->Finish().code, 0);
}

INSTANTIATE_TEST_SUITE_P(Mqtt, MqttUnitsTest, ::testing::Values(Mode::kSerial, Mode::kWireless, Mode::kNetwork),
                         [](const auto& info) { return std::string(ModeName(info.param)); });

// --read-only: sensors only, and a command published on the device's topics changes nothing.
TEST_F(MqttTest, ReadOnlyPublishesNoCommandsAndTakesNone) {
  ASSERT_TRUE(StartNetworkSim());
  link_.push_back("--read-only");
  Watcher watcher(broker_.port(), "#");
  ASSERT_TRUE(watcher.WaitConnected());
  StartPublisher();
  const std::string base = DeviceBase(watcher);
  ASSERT_FALSE(base.empty());
  ASSERT_TRUE(watcher.WaitFor(base + "/state", 0, kWaitMs));
  watcher.Publish(base + "/button/clear-faults/set", "PRESS");
  watcher.Publish(base + "/number/load-hvd/set", "14.5");
  // Two polls later the commands would long have run.
  ASSERT_TRUE(watcher.WaitFor(base + "/state", watcher.Mark(), kWaitMs));
  ASSERT_TRUE(watcher.WaitFor(base + "/state", watcher.Mark(), kWaitMs));
  const std::string device = base.substr(prefix_.size() + 1);
  size_t sensors = 0;
  for (const Message& m : watcher.Since(0)) {
    EXPECT_NE(m.topic, base + "/result") << m.payload;
    for (const char* kind : {"/button/", "/number/", "/select/"})
      EXPECT_NE(m.topic.rfind(discovery_ + kind, 0), 0u) << m.topic;
    if (m.topic.rfind(discovery_ + "/sensor/" + device + "/", 0) == 0) ++sensors;
  }
  EXPECT_GT(sensors, 50u);
  EXPECT_EQ(SimLog().find(" 06 E0 0E"), std::string::npos);
  publisher_->Signal(SIGTERM);
  EXPECT_EQ(publisher_->Finish().code, 0);
}

// A broker that wants a password, TLS, or a client certificate, all made here: a test CA, a
// server certificate for 127.0.0.1 it signed, a client certificate, and a CA nobody trusts.
class SecureBroker {
 public:
  explicit SecureBroker(const TempDir& dir) : dir_(dir) {}

  bool Start() {
    const std::string d = dir_.path().string();
    const auto run = [&](const std::string& program, const std::vector<std::string>& args) {
      const ChildResult r = RunChild(program, args, {.dir = dir_.path()});
      if (!(r.exited && r.code == 0)) ADD_FAILURE() << program << " " << r;
      return r.exited && r.code == 0;
    };
    const std::string openssl = FindInPath("openssl").value_or("/usr/bin/openssl");
    const auto selfSigned = [&](const std::string& name) {
      return run(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out",
                           name + ".crt", "-days", "2", "-subj", "/CN=" + name});
    };
    const auto signedByCa = [&](const std::string& name, const std::string& cn, const std::string& ext) {
      WriteFileBytes(dir_.path() / (name + ".ext"), ext);
      return run(openssl, {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".csr",
                           "-subj", "/CN=" + cn}) &&
             run(openssl, {"x509", "-req", "-in", name + ".csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
                           "-out", name + ".crt", "-days", "2", "-extfile", name + ".ext"});
    };
    if (!selfSigned("ca") || !selfSigned("untrusted") ||
        !signedByCa("server", "127.0.0.1", "subjectAltName=IP:127.0.0.1\n") ||
        !signedByCa("client", "kaviro", "basicConstraints=CA:FALSE\n") ||
        !run("/usr/bin/mosquitto_passwd", {"-c", "-b", "passwd", "kaviro", "secret"}))
      return false;
    WriteFileBytes(dir_.path() / "good.pw", "secret\n");
    WriteFileBytes(dir_.path() / "bad.pw", "guessed\n");
    const std::string tls = "cafile " + d + "/ca.crt\ncertfile " + d + "/server.crt\nkeyfile " + d + "/server.key\n";
    const std::string password = "allow_anonymous false\npassword_file " + d + "/passwd\n";
    std::string conf = "per_listener_settings true\n";
    for (const auto& [port, settings] : {std::pair{ports_.open, std::string("allow_anonymous true\n")},
                                         std::pair{ports_.password, password}, std::pair{ports_.tls, password + tls},
                                         std::pair{ports_.clientCert, "allow_anonymous true\nrequire_certificate true\n" + tls}})
      conf += "listener " + std::to_string(port) + " 127.0.0.1\n" + settings;
    WriteFileBytes(dir_.path() / "secure.conf", conf);
    // mosquitto started as root reads its files as the user it drops to.
    namespace fs = std::filesystem;
    fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    for (const fs::directory_entry& e : fs::directory_iterator(dir_.path()))
      fs::permissions(e.path(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                    fs::perms::others_read);
    process_ = std::make_unique<Child>();
    if (!process_->Start("/usr/sbin/mosquitto", {"-c", d + "/secure.conf"}, {.dir = dir_.path(), .timeoutMs = 600000}))
      return false;
    for (int waited = 0; waited < 5000; waited += 20) {
      if (Accepts(ports_.open) && Accepts(ports_.clientCert)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  ~SecureBroker() {
    if (process_) {
      process_->Signal(SIGTERM);
      process_->Finish();
    }
  }

  struct Ports {
    int open = FreeLoopbackPort(), password = FreeLoopbackPort(), tls = FreeLoopbackPort(),
        clientCert = FreeLoopbackPort();
  };
  const Ports& ports() const { return ports_; }
  std::string File(const std::string& name) const { return (dir_.path() / name).string(); }

 private:
  const TempDir& dir_;
  Ports ports_;
  std::unique_ptr<Child> process_;
};

using Ports = SecureBroker::Ports;
struct SecureCase {
  const char* name;
  int Ports::*port = nullptr;
  std::vector<std::string> args;  // files by name in the broker's directory: "@name"
  const char* refusal;            // nullptr: accepted, the device comes online
};

const SecureCase kSecureCases[] = {
    {"Password", &Ports::password, {"--username", "kaviro", "--password-file", "@good.pw"}, nullptr},
    {"WrongPassword", &Ports::password, {"--username", "kaviro", "--password-file", "@bad.pw"},
     "refused the connection: Connection Refused: not authorised."},
    {"NoPassword", &Ports::password, {}, "refused the connection"},
    {"TlsAndPassword", &Ports::tls, {"--tls-ca", "@ca.crt", "--username", "kaviro", "--password-file", "@good.pw"}, nullptr},
    {"UntrustedServer", &Ports::tls, {"--tls-ca", "@untrusted.crt", "--username", "kaviro", "--password-file", "@good.pw"},
     "TLS with broker 127.0.0.1 failed: OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"},
    {"ClientCertificate", &Ports::clientCert,
     {"--tls-ca", "@ca.crt", "--tls-cert", "@client.crt", "--tls-key", "@client.key"}, nullptr},
};

class MqttSecurity : public ::testing::TestWithParam<SecureCase> {};

TEST_P(MqttSecurity, AcceptedOnlineOrRefusedWithItsReasonAndStatus2) {
  const SecureCase& c = GetParam();
  TempDir dir;
  SecureBroker broker(dir);
  ASSERT_TRUE(broker.Start());
  SimLink link;
  ASSERT_TRUE(link.Start(Mode::kNetwork)) << link.sim().output();
  std::vector<std::string> args = {"mqtt", "--broker", "127.0.0.1:" + std::to_string(broker.ports().*c.port),
                                   "--interval", "1"};
  for (const std::string& a : c.args) args.push_back(a[0] == '@' ? broker.File(a.substr(1)) : a);
  args = Concat(args, link.Options());
  Watcher watcher(broker.ports().open, "kaviro/+/availability");
  ASSERT_TRUE(watcher.WaitConnected());

  Child cli;
  ASSERT_TRUE(cli.Start(kCli, args, {.dir = dir.path(), .timeoutMs = 30000}));
  if (c.refusal) {
    const auto started = std::chrono::steady_clock::now();
    const ChildResult r = cli.Finish();
    ASSERT_TRUE(r.exited) << "still trying after 30 s: " << r;
    EXPECT_EQ(r.code, 2) << r;
    EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_TRUE(watcher.Since(0).empty()) << watcher.Since(0).front().topic;
    return;
  }
  EXPECT_TRUE(watcher.WaitFor("kaviro/kaviro_24051701/availability", 0, kWaitMs, [](auto& p) { return Is(p, "online"); }));
  cli.Signal(SIGTERM);
  const ChildResult r = cli.Finish();
  EXPECT_TRUE(r.exited && r.code == 0) << r;
}

INSTANTIATE_TEST_SUITE_P(Mqtt, MqttSecurity, ::testing::ValuesIn(kSecureCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kaviro::testing

namespace kaviro::testing {
namespace {

// Nothing is published when the command cannot start; the broker is never needed to find out.
const CliFailure kMqttFailures[] = {
    {"NothingListens", Mode::kNetwork, {}, true, {"mqtt", "--broker", "127.0.0.1:1"}, 2, "连接服务器失败!\n", ""},
    {"MissingDevice", Mode::kSerial, {}, true, {"mqtt", "--broker", "127.0.0.1:1"}, 2,
     "串口或被占用无法打开！\r\n请关闭占用此串口的程序，在重新打开本程序!\n", ""},
    {"BrokerPortOutOfRange", Mode::kNetwork, {}, false, {"mqtt", "--broker", "127.0.0.1:70000"}, 1,
     "kaviro-cli mqtt: --broker 127.0.0.1:70000: not HOST or HOST:PORT\n", ""},
};
INSTANTIATE_TEST_SUITE_P(Mqtt, CliFailures, ::testing::ValuesIn(kMqttFailures), CliFailureName);

}  // namespace
}  // namespace kaviro::testing
