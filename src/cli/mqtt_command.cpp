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
#include "cli/mqtt/mqtt_client.h"
#include "cli/poll_session.h"
#include "cli/verb.h"
#include "link/text_format.h"
#include "tools/controller/param_settings.h"

namespace kaviro::cli {

namespace {

constexpr const char* kMqttSynopsis =
    "kaviro-cli mqtt --broker HOST[:PORT] [options] [link options]\n"
    "  Polls the controller like the main window does and publishes every poll on an MQTT broker,\n"
    "  with Home Assistant discovery: one device with a sensor per register, the actions as\n"
    "  buttons and the parameters as numbers and selects. Runs until SIGINT or SIGTERM.";

constexpr const char* kMqttFooter =
    "Topics (DEVICE: kaviro_<serial number>, else kaviro_<link>_<unit>):\n"
    "  PREFIX/DEVICE/state          one JSON object per successful poll, a key reg_HHHH per register\n"
    "  PREFIX/DEVICE/availability   online / offline (retained; offline also as the last will)\n"
    "  PREFIX/DEVICE/result         the message of the last command\n"
    "  PREFIX/DEVICE/button/NAME/set, .../number/NAME/set, .../select/NAME/set   commands\n"
    "  DISCOVERY/{sensor,button,number,select}/DEVICE/KEY/config   discovery (retained)\n\n"
    "Exit status: 0 stopped by a signal, 1 bad usage, 2 the controller link or the broker\n"
    "             settings could not be used at start.\n\n"
    "Examples:\n"
    "  kaviro-cli mqtt --broker localhost --mode serial --device /dev/ttyUSB0\n"
    "  kaviro-cli mqtt --broker nas.local:8883 --tls-ca /etc/ssl/certs/ca.pem --username kaviro \\\n"
    "      --password-file /etc/kaviro/mqtt.pass --mode network --host 192.168.1.199 --interval 10\n";

// The polls' more-than-three rule, for a controller that stays silent on the network too.
constexpr int kQuietPollsLost = 3;
constexpr int kOfflineAckMs = 2000;
// Commands pressed faster than the link can run them are refused rather than piled up.
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
  const std::string device = overrides.device ? std::filesystem::path(*overrides.device).filename().string()
                                              : Format("com%d", config.comPort);
  return std::string(LinkName(mode)) + "_" + device;
}

}  // namespace

int RunMqtt(const std::vector<std::string>& args) {
  Verb verb("mqtt", kMqttSynopsis, kMqttFooter);
  CLI::App& app = verb.app();
  std::string broker, prefix = "kaviro", discoveryPrefix = "homeassistant";
  std::optional<std::string> username, passwordFile, tlsCa, deviceName;
  app.add_option("--broker", broker, "the MQTT broker, port 1883 unless given")->type_name("HOST[:PORT]")->required();
  app.add_option("--prefix", prefix, "first level of the device's topics (default kaviro)");
  app.add_option("--discovery-prefix", discoveryPrefix, "Home Assistant's discovery prefix (default homeassistant)");
  app.add_option("--username", username, "user name at the broker");
  app.add_option("--password-file", passwordFile, "file whose first line is the broker password")
      ->type_name("FILE")
      ->needs("--username")
      ->check(CLI::ExistingFile);
  app.add_option("--tls-ca", tlsCa, "CA certificate (PEM): connect with TLS and check the broker by it")
      ->type_name("FILE")
      ->check(CLI::ExistingFile);
  app.add_option("--device-name", deviceName, "the device's name in Home Assistant");
  if (const auto done = verb.Parse(args)) return *done;

  MqttSettings settings;
  if (!SplitBroker(broker, settings.host, settings.port)) {
    std::cerr << "kaviro-cli mqtt: --broker " << broker << ": not HOST or HOST:PORT\n";
    return kExitUsage;
  }
  settings.username = username;
  if (passwordFile) {
    std::ifstream in(*passwordFile);
    std::string password;
    std::getline(in, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    settings.password = password;
  }
  settings.tlsCaFile = tlsCa;

  const AppConfig config = verb.Config();
  int failed = kExitOk;
  const std::unique_ptr<PollSession> opened = OpenPollSession("mqtt", config, verb.link, failed);
  if (!opened) return failed;
  PollSession& session = *opened;
  const LinkMode mode = session.mode();
  const uint8_t unit = session.unit();

  const Result<IdentificationAnswer> ident = ReadIdentification(session.link(), mode, unit);
  const DeviceIdentity identity = IdentityOf(ident.value ? ident.value->objects : std::nullopt,
                                             LinkWhere(config, verb.link), unit, deviceName);
  const Topics topics = TopicsFor(prefix, discoveryPrefix, identity);
  std::vector<Retained> discovery = SensorConfigs(session.report().table(), identity, topics);
  for (Retained& r : CommandConfigs(session.report().table(), identity, topics)) discovery.push_back(std::move(r));
  std::cerr << "kaviro-cli mqtt: device " << identity.id << " on " << topics.base << '\n';

  // Written by the network thread, read by the polling thread.
  CommandQueue commands;
  std::atomic<bool> announce{false};
  std::atomic<bool> refusedCommand{false};
  const std::string statusTopic = discoveryPrefix + "/status";
  settings.clientId = Format("%s-%d", identity.id.c_str(), static_cast<int>(::getpid()));
  settings.willTopic = topics.availability;
  settings.willPayload = "offline";
  MqttClient client(
      settings,
      [&](const std::string& topic, const std::string& payload) {
        if (topic == statusTopic) {
          if (payload == "online") announce.store(true);
          return;
        }
        if (auto command = ParseCommand(topics, topic, payload))
          if (!commands.Push(std::move(*command))) refusedCommand.store(true);
      },
      [&] { announce.store(true); });
  if (!client.Start({CommandSubscription(topics), statusTopic})) {
    std::cerr << client.Error() << '\n';
    return kExitNoLink;
  }

  const StopOnSignals signals;

  bool online = false, linkDown = false;
  int quietPolls = 0;
  const auto setOnline = [&](bool up) {
    online = up;
    client.Publish(topics.availability, up ? "online" : "offline", 1, true);
  };
  PollSession::Hooks hooks;
  hooks.polled = [&] {
    quietPolls = 0;
    linkDown = false;
    if (!online) setOnline(true);
    client.Publish(topics.state, StateJson(RowValues(session.report())), 0, false);
  };
  hooks.quiet = [&] {
    if (++quietPolls > kQuietPollsLost && online) setOnline(false);
  };
  hooks.lost = [&] {
    linkDown = true;
    if (online) setOnline(false);
  };
  hooks.idle = [&] {
    if (announce.exchange(false)) {
      for (const Retained& r : discovery) client.Publish(r.topic, r.payload, 1, true);
      client.Publish(topics.availability, online ? "online" : "offline", 1, true);
    }
    if (refusedCommand.exchange(false)) std::cerr << "kaviro-cli mqtt: commands came faster than they ran; some were dropped\n";
    // Between polls: the worker is not polling while a command holds the link.
    while (const std::optional<Command> command = commands.Pop()) {
      const std::string message = linkDown ? ParamLinkMissingText(mode) : RunCommand(session.link(), mode, unit, *command);
      std::cerr << message << '\n';
      client.Publish(topics.result, message, 1, false);
    }
  };
  session.Run(hooks, [&] { return signals.Requested(); }, 0, true);

  client.PublishConfirmed(topics.availability, "offline", true, kOfflineAckMs);
  client.Stop();
  return kExitOk;
}

}  // namespace kaviro::cli
