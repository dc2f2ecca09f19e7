#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <deque>
#include <set>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace kaviro::cli {

struct MqttSettings {
  std::string host = "localhost";
  int port = 1883;
  std::string clientId;
  std::optional<std::string> username, password;
  std::optional<std::string> tlsCaFile;
  std::optional<std::string> tlsCertFile, tlsKeyFile;  // the client's own certificate, when the broker asks for one
  // The broker publishes this for us when we vanish without saying goodbye.
  std::string willTopic, willPayload;
  bool willRetain = true;
  // QoS 1 messages handed over and not yet acknowledged; further ones are refused, not queued.
  int maxQueued = 256;  // room for two announcements (about 95 configs each)
  int keepAliveSeconds = 30;
};

// One connection to an MQTT broker over libmosquitto, with its own network thread. The client
// reconnects by itself 1 s, 2 s, 4 s … at most 30 s apart and subscribes to its topics again each
// time. Handlers run on that network thread: they must hand their work on and return.
class MqttClient {
 public:
  using MessageFn = std::function<void(const std::string& topic, const std::string& payload)>;
  using ConnectFn = std::function<void()>;

  MqttClient(MqttSettings settings, MessageFn onMessage, ConnectFn onConnect);
  ~MqttClient();
  MqttClient(const MqttClient&) = delete;
  MqttClient& operator=(const MqttClient&) = delete;

  // Starts the network thread and the first connection attempt; false (and Error()) when the
  // settings cannot work at all (a TLS file that does not load, an unknown host).
  bool Start(const std::vector<std::string>& subscriptions);
  const std::string& Error() const { return error_; }

  // Hands a message to the network thread; false when it was not taken (no connection for QoS
  // 0, a full queue for QoS 1).
  bool Publish(const std::string& topic, const std::string& payload, int qos, bool retain);
  // Publishes and waits until the broker acknowledged it (QoS 1) or `timeoutMs` passed.
  bool PublishConfirmed(const std::string& topic, const std::string& payload, bool retain, int timeoutMs);
  // Says goodbye to the broker (so the last will is not sent) and ends the network thread.
  void Stop();

  bool Connected() const { return connected_.load(); }
  // The broker turned us away (user name or password refused, not authorised) or TLS with it
  // failed (its certificate not trusted, ours refused): trying again would only fail again, so the
  // client stops trying. Why is in Error().
  bool Refused() const { return refused_.load(); }
  // Waits until the first connection was accepted or refused, or `timeoutMs` passed (a broker that
  // is not there yet is no refusal); whether it was refused.
  bool WaitRefused(int timeoutMs);

  static void OnConnect(mosquitto*, void* self, int rc);
  static void OnDisconnect(mosquitto*, void* self, int rc);
  static void OnPublish(mosquitto*, void* self, int mid);
  static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);
  static void OnLog(mosquitto*, void* self, int level, const char* text);

 private:
  std::optional<int> Hand(const std::string& topic, const std::string& payload, int qos, bool retain);

  MqttSettings settings_;
  MessageFn onMessage_;
  ConnectFn onConnect_;
  std::vector<std::string> subscriptions_;
  mosquitto* mosq_ = nullptr;
  bool started_ = false;
  void Refuse(const std::string& why);

  std::string error_;
  std::atomic<bool> connected_{false};
  std::atomic<bool> refused_{false};
  std::mutex acksMutex_;
  std::condition_variable acked_;
  std::deque<int> acks_;  // the last message ids sent or acknowledged, a few only
  std::set<int> pending_;  // QoS 1 message ids not acknowledged yet
};

}  // namespace kaviro::cli
