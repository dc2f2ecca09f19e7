#include "cli/mqtt/mqtt_client.h"

#include <mosquitto.h>

#include <algorithm>
#include <chrono>
#include <string_view>

namespace kaviro::cli {

namespace {

constexpr unsigned kFirstReconnectS = 1;
constexpr unsigned kLongestReconnectS = 30;
constexpr size_t kAcksKept = 64;

// mosquitto_lib_init is not thread-safe; every client of the process comes through here.
struct Library {
  Library() { mosquitto_lib_init(); }
  ~Library() { mosquitto_lib_cleanup(); }
};

void InitLibrary() { static Library library; }

}  // namespace

MqttClient::MqttClient(MqttSettings settings, MessageFn onMessage, ConnectFn onConnect)
    : settings_(std::move(settings)), onMessage_(std::move(onMessage)), onConnect_(std::move(onConnect)) {
  InitLibrary();
}

MqttClient::~MqttClient() {
  Stop();
  if (mosq_) mosquitto_destroy(mosq_);
}

bool MqttClient::Start(const std::vector<std::string>& subscriptions) {
  subscriptions_ = subscriptions;
  mosq_ = mosquitto_new(settings_.clientId.empty() ? nullptr : settings_.clientId.c_str(), true, this);
  if (!mosq_) {
    error_ = "mqtt: cannot create a client";
    return false;
  }
  mosquitto_connect_callback_set(mosq_, &MqttClient::OnConnect);
  mosquitto_disconnect_callback_set(mosq_, &MqttClient::OnDisconnect);
  mosquitto_publish_callback_set(mosq_, &MqttClient::OnPublish);
  mosquitto_message_callback_set(mosq_, &MqttClient::OnMessage);
  mosquitto_log_callback_set(mosq_, &MqttClient::OnLog);
  mosquitto_reconnect_delay_set(mosq_, kFirstReconnectS, kLongestReconnectS, true);
  mosquitto_max_inflight_messages_set(mosq_, 20);
  if (!settings_.willTopic.empty())
    mosquitto_will_set(mosq_, settings_.willTopic.c_str(), static_cast<int>(settings_.willPayload.size()),
                       settings_.willPayload.data(), 1, settings_.willRetain);
  if (settings_.username &&
      mosquitto_username_pw_set(mosq_, settings_.username->c_str(),
                                settings_.password ? settings_.password->c_str() : nullptr) != MOSQ_ERR_SUCCESS) {
    error_ = "mqtt: the user name is not usable";
    return false;
  }
  if (settings_.tlsCaFile) {
    const auto optional = [](const std::optional<std::string>& file) { return file ? file->c_str() : nullptr; };
    const int rc = mosquitto_tls_set(mosq_, settings_.tlsCaFile->c_str(), nullptr, optional(settings_.tlsCertFile),
                                     optional(settings_.tlsKeyFile), nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
      error_ = "mqtt: --tls-ca " + *settings_.tlsCaFile + ": " + mosquitto_strerror(rc);
      return false;
    }
  }
  // A broker that is not there yet is no error: the network thread keeps trying.
  const int rc = mosquitto_connect_async(mosq_, settings_.host.c_str(), settings_.port, settings_.keepAliveSeconds);
  if (rc == MOSQ_ERR_INVAL || rc == MOSQ_ERR_EAI) {
    error_ = "mqtt: cannot reach broker " + settings_.host + ": " + mosquitto_strerror(rc);
    return false;
  }
  if (mosquitto_loop_start(mosq_) != MOSQ_ERR_SUCCESS) {
    error_ = "mqtt: cannot start the network thread";
    return false;
  }
  started_ = true;
  return true;
}

bool MqttClient::Publish(const std::string& topic, const std::string& payload, int qos, bool retain) {
  return Hand(topic, payload, qos, retain).has_value();
}

std::optional<int> MqttClient::Hand(const std::string& topic, const std::string& payload, int qos, bool retain) {
  // libmosquitto would keep every message of a broker that is away until it is back. What we
  // publish is either replaced by the next poll or sent again on every connect, so nothing is
  // handed over while the broker is away, and never more than maxQueued unacknowledged.
  if (!mosq_ || !connected_.load()) return std::nullopt;
  if (qos > 0) {
    std::lock_guard lock(acksMutex_);
    if (pending_.size() >= static_cast<size_t>(settings_.maxQueued)) return std::nullopt;
  }
  int mid = 0;
  if (mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(), qos, retain) !=
      MOSQ_ERR_SUCCESS)
    return std::nullopt;
  if (qos > 0) {
    // The acknowledgement may have come already.
    std::lock_guard lock(acksMutex_);
    if (std::find(acks_.begin(), acks_.end(), mid) == acks_.end()) pending_.insert(mid);
  }
  return mid;
}

bool MqttClient::PublishConfirmed(const std::string& topic, const std::string& payload, bool retain, int timeoutMs) {
  const std::optional<int> mid = Hand(topic, payload, 1, retain);
  if (!mid) return false;
  std::unique_lock lock(acksMutex_);
  return acked_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return std::find(acks_.begin(), acks_.end(), *mid) != acks_.end(); });
}

void MqttClient::Stop() {
  if (!started_) return;
  started_ = false;
  mosquitto_disconnect(mosq_);
  mosquitto_loop_stop(mosq_, false);
  connected_.store(false);
}

bool MqttClient::WaitRefused(int timeoutMs) {
  std::unique_lock lock(acksMutex_);
  acked_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return connected_.load() || refused_.load(); });
  return refused_.load();
}

void MqttClient::Refuse(const std::string& why) {
  {
    std::lock_guard lock(acksMutex_);
    if (refused_.load()) return;
    error_ = why;
    refused_.store(true);
  }
  acked_.notify_all();
}

void MqttClient::OnConnect(mosquitto* mosq, void* self, int rc) {
  auto* client = static_cast<MqttClient*>(self);
  if (rc != 0) {
    client->Refuse("mqtt: broker " + client->settings_.host + " refused the connection: " + mosquitto_connack_string(rc));
    mosquitto_disconnect(mosq);  // no reconnecting after this
    return;
  }
  for (const std::string& topic : client->subscriptions_) mosquitto_subscribe(mosq, nullptr, topic.c_str(), 1);
  {
    std::lock_guard lock(client->acksMutex_);
    client->connected_.store(true);
  }
  client->acked_.notify_all();
  if (client->onConnect_) client->onConnect_();
}

void MqttClient::OnLog(mosquitto*, void* self, int level, const char* text) {
  // libmosquitto says why a TLS handshake failed only here, and would try again for ever. Its log
  // lock is held: the owner ends the client, not this callback.
  if (level != MOSQ_LOG_ERR || !text || std::string_view(text).find("OpenSSL Error") == std::string_view::npos) return;
  auto* client = static_cast<MqttClient*>(self);
  client->Refuse("mqtt: TLS with broker " + client->settings_.host + " failed: " + text);
}

void MqttClient::OnDisconnect(mosquitto*, void* self, int rc) {
  auto* client = static_cast<MqttClient*>(self);
  client->connected_.store(false);
  // A broker that wants a client certificate says so only after the handshake, as a TLS alert.
  if (rc == MOSQ_ERR_TLS) client->Refuse("mqtt: TLS with broker " + client->settings_.host + " failed: " + mosquitto_strerror(rc));
}

void MqttClient::OnPublish(mosquitto*, void* self, int mid) {
  auto* client = static_cast<MqttClient*>(self);
  {
    std::lock_guard lock(client->acksMutex_);
    client->pending_.erase(mid);
    client->acks_.push_back(mid);
    if (client->acks_.size() > kAcksKept) client->acks_.pop_front();
  }
  client->acked_.notify_all();
}

void MqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto* client = static_cast<MqttClient*>(self);
  if (!client->onMessage_ || !message->topic) return;
  const std::string payload = message->payloadlen > 0 ? std::string(static_cast<const char*>(message->payload),
                                                                     static_cast<size_t>(message->payloadlen))
                                                       : std::string();
  client->onMessage_(message->topic, payload);
}

}  // namespace kaviro::cli
