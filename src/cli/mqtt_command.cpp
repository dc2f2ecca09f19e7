#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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
    "Several units (--id 1,2,3, --host A,B, --links FILE) are polled in turn, each its own device\n"
    "with its own topics, availability and commands.\n\n"
    "Exit status: 0 stopped by a signal, 1 bad usage, 2 the controller link or "
    "the broker\n"
    "             settings could not be used at start, or the broker refused the user name or\n"
    "             password, or TLS with it failed (an untrusted certificate), at start or later.\n\n"
    "Examples:\n"
    "  kaviro-cli mqtt --broker localhost --mode serial --device /dev/ttyUSB0\n"
    "  kaviro-cli mqtt --broker localhost --mode serial --device /dev/ttyUSB0 --id 1,2,3\n"
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

// What the command line asked of the bridge, besides the link.
struct MqttOptions {
  std::string broker, prefix = "kaviro", discoveryPrefix = "homeassistant";
  std::optional<std::string> username, passwordFile, tlsCa, tlsCert, tlsKey, deviceName;
  bool readOnly = false;
};

// How long the start waits for the broker to accept or refuse us before it goes on polling.
constexpr int kFirstAnswerMs = 5000;

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
  app.add_option("--tls-cert", o.tlsCert, "the client's certificate (PEM), for a broker that asks for one")
      ->type_name("FILE")
      ->check(CLI::ExistingFile)
      ->needs("--tls-ca");
  app.add_option("--tls-key", o.tlsKey, "the private key (PEM) of --tls-cert")
      ->type_name("FILE")
      ->check(CLI::ExistingFile)
      ->needs("--tls-cert");
  app.get_option("--tls-cert")->needs("--tls-key");
  app.add_flag("--read-only", o.readOnly,
               "publish values and availability only: no buttons, numbers or selects, and no command\n"
               "topic subscribed (anyone who may publish on the broker could otherwise change the\n"
               "controller's settings)");
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
  settings.tlsCertFile = o.tlsCert;
  settings.tlsKeyFile = o.tlsKey;
  return settings;
}

// One controller on the broker: its discovery, availability, state and
// commands, driven by the poll session's hooks on the polling thread; the
// broker's messages come on its network thread.
class DeviceBridge {
 public:
  DeviceBridge(UnitPoll& unit, const DeviceIdentity& identity, const MqttOptions& o, MqttSettings settings)
      : unit_(unit),
        topics_(TopicsFor(o.prefix, o.discoveryPrefix, identity)),
        statusTopic_(o.discoveryPrefix + "/status"),
        readOnly_(o.readOnly),
        client_(
            Configured(std::move(settings), identity, topics_),
            [this](const std::string& t, const std::string& p) { Receive(t, p); }, [this] { announce_.store(true); }) {
    discovery_ = SensorConfigs(unit.report().table(), identity, topics_);
    if (!readOnly_)
      for (Retained& r : CommandConfigs(unit.report().table(), identity, topics_)) discovery_.push_back(std::move(r));
    for (Retained& r : DiagnosticConfigs(identity, topics_)) discovery_.push_back(std::move(r));
    std::cerr << "kaviro-cli mqtt: device " << identity.id << " on " << topics_.base << '\n';
  }

  bool Start() {
    std::vector<std::string> subscriptions = {statusTopic_};
    if (!readOnly_) subscriptions.push_back(CommandSubscription(topics_));
    if (client_.Start(subscriptions)) return true;
    std::cerr << client_.Error() << '\n';
    return false;
  }

  MqttClient& client() { return client_; }

  void Polled() {
    quietPolls_ = 0;
    linkDown_ = false;
    if (!online_) SetOnline(true);
    client_.Publish(topics_.state, StateJson(RowValues(unit_.report())), 0, false);
    PublishDiagnostics();
  }
  void Quiet() {
    if (++quietPolls_ > kQuietPollsLost && online_) SetOnline(false);
    PublishDiagnostics();
  }
  void Lost() {
    linkDown_ = true;
    if (online_) SetOnline(false);
  }

  void Finish() {
    client_.PublishConfirmed(topics_.availability, "offline", true, kOfflineAckMs);
    client_.Stop();
  }

  // On the polling thread, between polls: the unit's link is free.
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
      const std::string message = linkDown_ ? ParamLinkMissingText(unit_.mode())
                                            : RunCommand(unit_.link(), unit_.mode(), unit_.unit(), *command);
      std::cerr << message << '\n';
      client_.Publish(topics_.result, message, 1, false);
    }
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
    if (readOnly_) return;
    if (auto command = ParseCommand(topics_, topic, payload))
      if (!commands_.Push(std::move(*command))) refusedCommand_.store(true);
  }

  // Also after a failed poll: that is when the counters move.
  void PublishDiagnostics() {
    client_.Publish(DiagnosticsTopic(topics_), DiagnosticsJson(unit_.link().StatsNow()), 0, false);
  }

  void SetOnline(bool up) {
    online_ = up;
    client_.Publish(topics_.availability, up ? "online" : "offline", 1, true);
  }

  UnitPoll& unit_;
  const Topics topics_;
  const std::string statusTopic_;
  const bool readOnly_;
  std::vector<Retained> discovery_;
  // Written by the network thread, read by the polling thread.
  CommandQueue commands_;
  std::atomic<bool> announce_{false};
  std::atomic<bool> refusedCommand_{false};
  bool online_ = false, linkDown_ = false;
  int quietPolls_ = 0;
  MqttClient client_;
};

// Every unit of the session as its own device on the broker, each with a connection of its own
// (its availability is its last will).
class SiteBridge {
 public:
  bool Start(PollSession& session, const MqttOptions& options, const MqttSettings& settings) {
    const bool several = session.UnitCount() > 1;
    for (UnitPoll* u : session.units()) {
      const Result<IdentificationAnswer> ident = ReadIdentification(u->link(), u->mode(), u->unit());
      std::optional<std::string> name = options.deviceName;
      if (name && several) *name += Format(" unit %d", u->unit());
      const DeviceIdentity identity =
          IdentityOf(ident.value ? ident.value->objects : std::nullopt, u->where(), u->unit(), name);
      bridges_.push_back(std::make_unique<DeviceBridge>(*u, identity, options, settings));
      if (!bridges_.back()->Start()) return false;
    }
    // A refused password or an untrusted certificate ends the start; a broker that is away does not.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFirstAnswerMs);
    for (const auto& b : bridges_) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (b->client().WaitRefused(static_cast<int>(std::max<int64_t>(0, left.count())))) return Refused();
    }
    return true;
  }

  // Whether a client was turned away (said on stderr once).
  bool Refused() {
    for (const auto& b : bridges_)
      if (b->client().Refused()) {
        if (!said_) std::cerr << b->client().Error() << '\n';
        said_ = true;
        return true;
      }
    return false;
  }

  PollSession::Hooks Hooks() {
    PollSession::Hooks hooks;
    hooks.polled = [this](UnitPoll& u) { bridges_[u.index()]->Polled(); };
    hooks.quiet = [this](UnitPoll& u) { bridges_[u.index()]->Quiet(); };
    hooks.lost = [this](UnitPoll& u) { bridges_[u.index()]->Lost(); };
    hooks.idle = [this] {
      for (const auto& b : bridges_) b->BetweenPolls();
    };
    return hooks;
  }

  void Finish() {
    for (const auto& b : bridges_) b->Finish();
  }

 private:
  std::vector<std::unique_ptr<DeviceBridge>> bridges_;
  bool said_ = false;
};

}  // namespace

int RunMqtt(const std::vector<std::string>& args) {
  Verb verb("mqtt", kMqttSynopsis, kMqttFooter, IdOption::kUnitList);
  MqttOptions options;
  bool stats = false;
  AddMqttOptions(verb.app(), options);
  verb.app().add_flag("--stats", stats, "at the end, the link's counters on stderr (requests, answers, timeouts, ...)");
  if (const auto done = verb.Parse(args)) return *done;
  std::optional<MqttSettings> settings = BrokerSettings(options);
  if (!settings) return kExitUsage;

  int failed = kExitOk;
  const std::unique_ptr<PollSession> session = OpenPollSession("mqtt", verb, failed);
  if (!session) return failed;
  SiteBridge site;
  if (!site.Start(*session, options, *settings)) return kExitNoLink;
  const StopOnSignals signals;
  session->Run(site.Hooks(), [&] { return signals.Requested() || site.Refused(); }, 0, true);
  const bool refused = site.Refused();
  site.Finish();
  if (stats) ReportStats(*session, false);
  return refused ? kExitNoLink : kExitOk;
}

}  // namespace kaviro::cli
