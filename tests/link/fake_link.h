#pragma once
// Scripted stand-ins for the clock, the serial line and the network socket: waits run in virtual
// time and answers arrive at chosen moments.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "link/clock.h"
#include "link/net_socket.h"
#include "link/serial_device.h"

namespace kaviro::testing {

// Safe to share with a polling thread, which then simply runs without waiting.
class FakeClock final : public Clock {
 public:
  void SleepMs(int ms) override {
    now_ += static_cast<uint64_t>(std::max(ms, 0));
    ++sleeps_;
  }
  uint64_t NowMs() override { return now_; }
  int sleeps() const { return sleeps_; }

 private:
  std::atomic<uint64_t> now_{0};
  std::atomic<int> sleeps_{0};
};

using Bytes = std::vector<uint8_t>;

// Bytes arrive at given virtual times after each write; everything written is recorded.
class ScriptedPort final : public SerialDevice {
 public:
  explicit ScriptedPort(Clock& clock) : clock_(clock) {}

  // After the next write, `bytes` arrive `afterMs` later.
  void AnswerAfter(uint64_t afterMs, Bytes bytes) { AnswerWrite(writes_.size(), afterMs, std::move(bytes)); }
  // After write number `index` (counting from 0), `bytes` arrive `afterMs` later.
  void AnswerWrite(size_t index, uint64_t afterMs, Bytes bytes) {
    script_.push_back({index, afterMs, std::move(bytes)});
  }
  void SetOpen(bool open) { open_ = open; }
  const std::vector<Bytes>& writes() const { return writes_; }
  int purges() const { return purges_; }

  bool IsOpen() const override { return open_; }
  void Purge() override {
    ++purges_;
    queue_.clear();
  }
  int Queued() override {
    Deliver();
    return static_cast<int>(queue_.size());
  }
  int Read(std::span<uint8_t> out) override {
    Deliver();
    const size_t n = std::min(out.size(), queue_.size());
    std::copy_n(queue_.begin(), n, out.begin());
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int>(n);
  }
  int Write(std::span<const uint8_t> bytes) override {
    const size_t index = writes_.size();
    writes_.emplace_back(bytes.begin(), bytes.end());
    for (auto it = script_.begin(); it != script_.end();) {
      if (it->write == index) {
        pending_.push_back({clock_.NowMs() + it->afterMs, std::move(it->bytes)});
        it = script_.erase(it);
      } else {
        ++it;
      }
    }
    return static_cast<int>(bytes.size());
  }

 private:
  void Deliver() {
    const uint64_t now = clock_.NowMs();
    for (auto it = pending_.begin(); it != pending_.end();) {
      if (it->first <= now) {
        queue_.insert(queue_.end(), it->second.begin(), it->second.end());
        it = pending_.erase(it);
      } else {
        ++it;
      }
    }
  }

  Clock& clock_;
  bool open_ = true;
  struct Scripted {
    size_t write;
    uint64_t afterMs;
    Bytes bytes;
  };
  std::vector<Scripted> script_;
  std::vector<std::pair<uint64_t, Bytes>> pending_;
  std::deque<uint8_t> queue_;
  std::vector<Bytes> writes_;
  int purges_ = 0;
};

// Each Receive takes the next scripted result: bytes, or a bare return code.
class ScriptedSocket final : public NetSocket {
 public:
  struct Step {
    int code = kWouldBlock;  // used when bytes is empty
    Bytes bytes;
  };
  void Then(Bytes bytes) { steps_.push_back({0, std::move(bytes)}); }
  void ThenCode(int code, int times = 1) {
    for (int i = 0; i < times; ++i) steps_.push_back({code, {}});
  }
  void LimitSend(int accepted) { sendLimit_ = accepted; }
  const std::vector<Bytes>& sent() const { return sent_; }
  int receives() const { return receives_; }

  int Send(std::span<const uint8_t> bytes) override {
    sent_.emplace_back(bytes.begin(), bytes.end());
    return sendLimit_ >= 0 ? std::min<int>(sendLimit_, static_cast<int>(bytes.size())) : static_cast<int>(bytes.size());
  }
  int Receive(std::span<uint8_t> out) override {
    ++receives_;
    if (steps_.empty()) return kWouldBlock;
    Step step = std::move(steps_.front());
    steps_.pop_front();
    if (step.bytes.empty()) return step.code;
    const size_t n = std::min(out.size(), step.bytes.size());
    std::copy_n(step.bytes.begin(), n, out.begin());
    return static_cast<int>(n);
  }

 private:
  std::deque<Step> steps_;
  std::vector<Bytes> sent_;
  int sendLimit_ = -1;
  int receives_ = 0;
};

}  // namespace kaviro::testing
