#pragma once
// A mosquitto broker on loopback for a test, and a subscriber that records what it is sent.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/mqtt/mqtt_client.h"
#include "cli_runner.h"

namespace kaviro::testing {

// A TCP port on 127.0.0.1 that nobody listened on a moment ago.
inline int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

inline bool Accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

// mosquitto on 127.0.0.1, without persistence: a restart forgets every retained message.
class Broker {
 public:
  explicit Broker(const TempDir& dir) : dir_(dir), port_(FreeLoopbackPort()) {}

  bool Start() {
    const std::filesystem::path conf = dir_.path() / "mosquitto.conf";
    WriteFileBytes(conf, "listener " + std::to_string(port_) + " 127.0.0.1\nallow_anonymous true\n");
    process_ = std::make_unique<Child>();
    if (!process_->Start("/usr/sbin/mosquitto", {"-c", conf.string()}, {.dir = dir_.path(), .timeoutMs = 600000}))
      return false;
    for (int waited = 0; waited < 5000; waited += 20) {
      if (Accepts(port_)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  void Stop() {
    if (!process_) return;
    process_->Signal(SIGTERM);
    process_->Finish();
    process_.reset();
  }
  ~Broker() { Stop(); }
  int port() const { return port_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  const TempDir& dir_;
  int port_;
  std::unique_ptr<Child> process_;
};

struct Message {
  std::string topic, payload;
};

// Subscribes to `filter` and keeps every message in arrival order.
class Watcher {
 public:
  Watcher(int port, const std::string& filter)
      : client_(Settings(port), [this](const std::string& t, const std::string& p) { Take(t, p); },
                {}) {
    client_.Start({filter});
  }

  bool WaitConnected(int timeoutMs = 5000) {
    for (int waited = 0; waited < timeoutMs && !client_.Connected(); waited += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return client_.Connected();
  }

  // Where the messages from now on start.
  size_t Mark() {
    std::lock_guard lock(mutex_);
    return messages_.size();
  }

  // The first message from `from` on whose topic is `topic` and that `accept` takes.
  std::optional<Message> WaitFor(const std::string& topic, size_t from, int timeoutMs,
                                 const std::function<bool(const std::string&)>& accept = {}) {
    std::unique_lock lock(mutex_);
    std::optional<Message> found;
    arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
      for (size_t i = from; i < messages_.size(); ++i)
        if (messages_[i].topic == topic && (!accept || accept(messages_[i].payload))) {
          found = messages_[i];
          return true;
        }
      return false;
    });
    return found;
  }

  std::vector<Message> Since(size_t from) {
    std::lock_guard lock(mutex_);
    return std::vector<Message>(messages_.begin() + static_cast<std::ptrdiff_t>(std::min(from, messages_.size())),
                                messages_.end());
  }

  void Publish(const std::string& topic, const std::string& payload) { client_.Publish(topic, payload, 1, false); }

 private:
  static cli::MqttSettings Settings(int port) {
    cli::MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    return settings;
  }
  void Take(const std::string& topic, const std::string& payload) {
    {
      std::lock_guard lock(mutex_);
      messages_.push_back({topic, payload});
    }
    arrived_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Message> messages_;
  cli::MqttClient client_;  // last: its thread stops before the records go
};

}  // namespace kaviro::testing
