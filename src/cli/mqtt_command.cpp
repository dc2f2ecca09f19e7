#include <unistd.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>

#include "cli/commands.h"
#include "cli/mqtt/ha_commands.h"
#include "cli/mqtt/ha_device.h"
#include "cli/mqtt/ha_diagnostics.h"
#include "cli/mqtt/mqtt_client.h"
#include "cli/poll_session.h"
#include "cli/verb.h"
#include "link/text_format.h"
#include "tools/controller/param_settings.h"

namespace kaviro::cli {

namespace {

constexpr const char* kMqttSynopsis =
    "kaviro-cli mqtt --broker HOST[:PORT] [options] [link options]\n"
    "  Polls the controller like the main window does and publishes every poll "
    "on an MQTT broker,\n"
    "  with Home Assistant discovery: one device with a sensor per register, "
    "the actions as\n"
    "  buttons and the parameters as numbers and selects. Runs until SIGINT or "
    "SIGTERM.";

constexpr const char* kMqttFooter =
    "Topics (DEVICE: kaviro_<serial number>, else kaviro_<link>_<unit>):\n"
    "  PREFIX/DEVICE/state          one JSON object per successful poll, a key "
    "reg_HHHH per register\n"
    "  PREFIX/DEVICE/availability   online / offline (retained; offline also "
    "as the last will)\n"
    "  PREFIX/DEVICE/result         the message of the last command\n"
    "  PREFIX/DEVICE/diagnostics    the link's timeouts, CRC errors and round trip after each poll\n"
    "  PREFIX/DEVICE/button/NAME/set, .../number/NAME/set, .../select/NAME/set "
    "  commands\n"
    "  DISCOVERY/{sensor,button,number,select}/DEVICE/KEY/config   discovery "
    "(retained)\n\n"
    "Exit status: 0 stopped by a signal, 1 bad usage, 2 the controller link or "
    "the broker\n"
    "             settings could not be used at start.\n\n"
    "Examples:\n"
    "  kaviro-cli mqtt --broker localhost --mode serial --device /dev/ttyUSB0\n"
    "  kaviro-cli mqtt --broker nas.local:8883 --tls-ca /etc/ssl/certs/ca.pem "
    "--username kaviro \\\n"
    "      --password-file /etc/kaviro/mqtt.pass --mode network --host "
    "192.168.1.199 --interval 10\n";

// The polls' more-than-three rule, for a controller that stays silent on the
// network too.
constexpr int kQuietPollsLost = 3;
constexpr int kOfflineAckMs = 2000;
// Commands pressed faster than the link can run them are refused rather than
// piled up.
constexpr size_t kMostQueuedCommands = 16;

// Commands from the network thread to the polling thread.
class CommandQueue {
 public:
  bool Push(Command command) {
    std::lock_guard lock(mutex_);
    if (queue_.size() >= kMostQueuedCommands) return false;
    queue_.push_back(std::move(command));
    return true;
  }
  std::optional<Command> Pop() {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return std::nullopt;
    Command c = std::move(queue_.front());
    queue_.pop_front();
    return c;
  }

 private:
  std::mutex mutex_;
  std::deque<Command> queue_;
};

bool SplitBroker(const std::string& text, std::string& host, int& port) {
  const size_t colon = text.rfind(':');
  host = text.substr(0, colon);
  if (colon == std::string::npos) return !host.empty();
  const std::string digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  port = std::stoi(digits);
  return !host.empty() && port >= 1 && port <= 65535;
}

std::string LinkWhere(const AppConfig& config, const LinkOverrides& overrides) {
  const LinkMode mode = LinkModeOf(config.workMode);
  if (mode == LinkMode::kNetwork) return std::string("network_") + IpText(config.controllerIp);
  const std::string device =
      overrides.device ? std::filesystem::path(*overrides.device).filename().string() : Format("com%d", config.comPort);
  return std::string(LinkName(mode)) + "_" + device;
}

// What the command line asked of the bridge, besides the link.
struct MqttOptions {
  std::string broker, prefix = "kaviro", discoveryPrefix = "homeassistant";
  std::optional<std::string> username, passwordFile, tlsCa, deviceName;
};

void AddMqttOptions(CLI::App& app, MqttOptions& o) {
  app.add_option("--broker", o.broker, "the MQTT broker, port 1883 unless given")->type_name("HOST[:PORT]")->required();
  app.add_option("--prefix", o.prefix, "first level of the device's topics (default kaviro)");
  app.add_option("--discovery-prefix", o.discoveryPrefix, "Home Assistant's discovery prefix (default homeassistant)");
  app.add_option("--username", o.username, "user name at the broker");
  app.add_option("--password-file", o.passwordFile, "file whose first line is the broker password")
      ->type_name("FILE")
      ->needs("--username")
      ->check(CLI::ExistingFile);
  app.add_option("--tls-ca", o.tlsCa, "CA certificate (PEM): connect with TLS and check the broker by it")
      ->type_name("FILE")
      ->check(CLI::ExistingFile);
  app.add_option("--device-name", o.deviceName, "the device's name in Home Assistant");
}

// The broker's settings; nothing when --broker is no HOST[:PORT] (said on
// stderr).
std::optional<MqttSettings> BrokerSettings(const MqttOptions& o) {
  MqttSettings settings;
  if (!SplitBroker(o.broker, settings.host, settings.port)) {
    std::cerr << "kaviro-cli mqtt: --broker " << o.broker << ": not HOST or HOST:PORT\n";
    return std::nullopt;
  }
  settings.username = o.username;
  if (o.passwordFile) {
    std::ifstream in(*o.passwordFile);
    std::string password;
    std::getline(in, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    settings.password = password;
  }
  settings.tlsCaFile = o.tlsCa;
  return settings;
}

// One controller on the broker: its discovery, availability, state and
// commands, driven by the poll session's hooks on the polling thread; the
// broker's messages come on its network thread.
class DeviceBridge {
 public:
  DeviceBridge(PollSession& session, const DeviceIdentity& identity, const MqttOptions& o, MqttSettings settings)
      : session_(session),
        topics_(TopicsFor(o.prefix, o.discoveryPrefix, identity)),
        statusTopic_(o.discoveryPrefix + "/status"),
        client_(
            Configured(std::move(settings), identity, topics_),
            [this](const std::string& t, const std::string& p) { Receive(t, p); }, [this] { announce_.store(true); }) {
    discovery_ = SensorConfigs(session.report().table(), identity, topics_);
    for (Retained& r : CommandConfigs(session.report().table(), identity, topics_)) discovery_.push_back(std::move(r));
    for (Retained& r : DiagnosticConfigs(identity, topics_)) discovery_.push_back(std::move(r));
    std::cerr << "kaviro-cli mqtt: device " << identity.id << " on " << topics_.base << '\n';
  }

  bool Start() {
    if (client_.Start({CommandSubscription(topics_), statusTopic_})) return true;
    std::cerr << client_.Error() << '\n';
    return false;
  }

  PollSession::Hooks Hooks() {
    PollSession::Hooks hooks;
    hooks.polled = [this] {
      quietPolls_ = 0;
      linkDown_ = false;
      if (!online_) SetOnline(true);
      client_.Publish(topics_.state, StateJson(RowValues(session_.report())), 0, false);
      PublishDiagnostics();
    };
    hooks.quiet = [this] {
      if (++quietPolls_ > kQuietPollsLost && online_) SetOnline(false);
      PublishDiagnostics();
    };
    hooks.lost = [this] {
      linkDown_ = true;
      if (online_) SetOnline(false);
    };
    hooks.idle = [this] { BetweenPolls(); };
    return hooks;
  }

  void Finish() {
    client_.PublishConfirmed(topics_.availability, "offline", true, kOfflineAckMs);
    client_.Stop();
  }

 private:
  static MqttSettings Configured(MqttSettings settings, const DeviceIdentity& identity, const Topics& topics) {
    settings.clientId = Format("%s-%d", identity.id.c_str(), static_cast<int>(::getpid()));
    settings.willTopic = topics.availability;
    settings.willPayload = "offline";
    return settings;
  }

  // On the network thread.
  void Receive(const std::string& topic, const std::string& payload) {
    if (topic == statusTopic_) {
      if (payload == "online") announce_.store(true);
      return;
    }
    if (auto command = ParseCommand(topics_, topic, payload))
      if (!commands_.Push(std::move(*command))) refusedCommand_.store(true);
  }

  // Also after a failed poll: that is when the counters move.
  void PublishDiagnostics() {
    client_.Publish(DiagnosticsTopic(topics_), DiagnosticsJson(session_.link().StatsNow()), 0, false);
  }

  void SetOnline(bool up) {
    online_ = up;
    client_.Publish(topics_.availability, up ? "online" : "offline", 1, true);
  }

  void BetweenPolls() {
    if (announce_.exchange(false)) {
      for (const Retained& r : discovery_) client_.Publish(r.topic, r.payload, 1, true);
      client_.Publish(topics_.availability, online_ ? "online" : "offline", 1, true);
    }
    if (refusedCommand_.exchange(false))
      std::cerr << "kaviro-cli mqtt: commands came faster than they ran; some "
                   "were dropped\n";
    // Between polls: the worker is not polling while a command holds the link.
    while (const std::optional<Command> command = commands_.Pop()) {
      const std::string message = linkDown_ ? ParamLinkMissingText(session_.mode())
                                            : RunCommand(session_.link(), session_.mode(), session_.unit(), *command);
      std::cerr << message << '\n';
      client_.Publish(topics_.result, message, 1, false);
    }
  }

  PollSession& session_;
  const Topics topics_;
  const std::string statusTopic_;
  std::vector<Retained> discovery_;
  // Written by the network thread, read by the polling thread.
  CommandQueue commands_;
  std::atomic<bool> announce_{false};
  std::atomic<bool> refusedCommand_{false};
  bool online_ = false, linkDown_ = false;
  int quietPolls_ = 0;
  MqttClient client_;
};

}  // namespace

int RunMqtt(const std::vector<std::string>& args) {
  Verb verb("mqtt", kMqttSynopsis, kMqttFooter);
  MqttOptions options;
  bool stats = false;
  AddMqttOptions(verb.app(), options);
  verb.app().add_flag("--stats", stats, "at the end, the link's counters on stderr (requests, answers, timeouts, ...)");
  if (const auto done = verb.Parse(args)) return *done;
  std::optional<MqttSettings> settings = BrokerSettings(options);
  if (!settings) return kExitUsage;

  const AppConfig config = verb.Config();
  int failed = kExitOk;
  const std::unique_ptr<PollSession> session = OpenPollSession("mqtt", config, verb.link, failed);
  if (!session) return failed;
  const Result<IdentificationAnswer> ident = ReadIdentification(session->link(), session->mode(), session->unit());
  const DeviceIdentity identity = IdentityOf(ident.value ? ident.value->objects : std::nullopt,
                                             LinkWhere(config, verb.link), session->unit(), options.deviceName);
  DeviceBridge bridge(*session, identity, options, std::move(*settings));
  if (!bridge.Start()) return kExitNoLink;
  const StopOnSignals signals;
  session->Run(
      bridge.Hooks(), [&] { return signals.Requested(); }, 0, true);
  bridge.Finish();
  if (stats) ReportStats(session->link(), false);
  return kExitOk;
}

}  // namespace kaviro::cli
