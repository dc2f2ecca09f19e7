// Every named wait of the tool ends, whatever the line does: a trickle of bytes that never makes
// an answer, a flood, a stream of bytes that are no frame. The worst case of each is stated here
// and must hold in virtual time; a wait without an end would run into the clock's limit instead.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/link_service.h"
#include "link/net_socket.h"
#include "link/serial_device.h"
#include "monitor/poll_worker.h"
#include "tools/console/console_link.h"
#include "tools/console/lighting.h"
#include "tools/console/wireless_settings.h"
#include "tools/controller/coil_command.h"
#include "tools/controller/controller_info.h"
#include "tools/controller/param_register.h"
#include "tools/log/log_reader.h"
#include "tools/relay/rd_command.h"
#include "tools/relay/threshold_probe.h"

namespace kaviro {
namespace {

// A day of virtual time is far beyond every wait: reaching it means a wait had no end.
class BoundedClock final : public Clock {
 public:
  void SleepMs(int ms) override {
    now_ += static_cast<uint64_t>(ms);
    if (now_ > kLimitMs) throw std::runtime_error("a wait ran past a day");
  }
  uint64_t NowMs() override { return now_; }

 private:
  static constexpr uint64_t kLimitMs = 24ull * 3600 * 1000;
  uint64_t now_ = 0;
};

// `perPeriod` bytes of 0x55 arrive every `periodMs`, for ever.
class EndlessLine final : public SerialDevice {
 public:
  EndlessLine(Clock& clock, int periodMs, int perPeriod) : clock_(clock), periodMs_(periodMs), perPeriod_(perPeriod) {}
  bool IsOpen() const override { return true; }
  void Purge() override { taken_ = Arrived(); }
  int Queued() override { return static_cast<int>(Arrived() - taken_); }
  int Read(std::span<uint8_t> out) override {
    const uint64_t n = std::min<uint64_t>(out.size(), Arrived() - taken_);
    std::fill_n(out.begin(), n, 0x55);
    taken_ += n;
    return static_cast<int>(n);
  }
  int Write(std::span<const uint8_t> bytes) override { return static_cast<int>(bytes.size()); }

 private:
  uint64_t Arrived() { return clock_.NowMs() / static_cast<uint64_t>(periodMs_) * static_cast<uint64_t>(perPeriod_); }
  Clock& clock_;
  int periodMs_, perPeriod_;
  uint64_t taken_ = 0;
};

// Every receive brings `perReceive` bytes that are no frame of any transaction.
class EndlessSocket final : public NetSocket {
 public:
  explicit EndlessSocket(int perReceive) : perReceive_(perReceive) {}
  int Send(std::span<const uint8_t> bytes) override { return static_cast<int>(bytes.size()); }
  int Receive(std::span<uint8_t> out) override {
    const size_t n = std::min(out.size(), static_cast<size_t>(perReceive_));
    std::fill_n(out.begin(), n, 0x55);
    return static_cast<int>(n);
  }

 private:
  int perReceive_;
};

struct Named {
  std::string name;
  ExchangePolicy policy;
  RtuFrame request;
  int expected;
  uint64_t lineWorstMs;  // 0: not used on the serial line
  uint64_t netWorstMs;   // 0: not used on the network
};

std::vector<Named> NamedPolicies() {
  const RtuFrame read = ReadRegisters(1, fn::kReadHolding, 0xE00E, 1);
  const RtuFrame write = WriteRegister(1, 0xE00E, 1320);
  std::vector<Named> all;
  for (const PollBlock& b : PollBlocks())
    all.push_back({"poll block " + std::to_string(b.start), PollBlockPolicy(b),
                   ReadRegisters(1, b.function, b.start, b.count), ReadAnswerLength(b.count),
                   static_cast<uint64_t>(b.checks * b.sleepMs), 500});
  all.push_back({"param read", ParamReadPolicy(), read, 7, 500, 1500});
  all.push_back({"param write", ParamWritePolicy(write, LinkMode::kSerial), write, 8, 500, 500});
  all.push_back({"param write wireless", ParamWritePolicy(write, LinkMode::kWireless), write, 8, 500, 0});
  all.push_back({"coil echo", CoilEchoPolicy(WriteCoil(1, 0x14)), WriteCoil(1, 0x14), 8, 500, 500});
  all.push_back({"preset table", PresetTablePolicy(), PresetTableRequest(1), 149, 3000, 500});
  all.push_back({"info register", InfoRegisterPolicy(), read, 7, 500, 500});
  const std::pair<ResponseKind, uint64_t> console[] = {
      {ResponseKind::kRawDisplay, 1000},      {ResponseKind::kDeviceIdentification, 2500},
      {ResponseKind::kNetworkSettings, 1000}, {ResponseKind::kMacAddress, 500},
      {ResponseKind::kWirelessConfig, 2000},  {ResponseKind::kModbusAddress, 2000}};
  for (const auto& [kind, ms] : console)
    all.push_back({"console " + std::to_string(static_cast<int>(kind)), ConsoleReadPolicy(kind), read, 23, ms, 500});
  all.push_back({"lighting read", LightingReadPolicy(), ReadRegisters(1, 3, 0xE080, 8), 21, 2000, 500});
  all.push_back({"modbus address write", ModbusAddressWritePolicy(), WriteRegister(1, 0x40, 5), 8, 0, 10});
  all.push_back({"RD", RdExchangePolicy(), ReadRegisters(0x36, 3, 0x20, 4), 13, 0, 3000});
  all.push_back({"threshold probe", ProbePolicy(), ProbeRequest(0), 9, 1000, 0});
  // 80,000 bytes at 9600 8N2 (about 91.7 s), then the 41 quiet checks; 30 s on the network.
  all.push_back({"log", LogReadPolicy(), ReadDeviceIdentification(1, 3, 0), 0, 93700, 30000});
  return all;
}

struct Line {
  const char* name;
  int periodMs;
  int perPeriod;
};
constexpr Line kLines[] = {{"a byte a second", 1000, 1}, {"a byte every 100 ms", 100, 1}, {"a flood", 1, 100}};

TEST(WaitBounds, EveryNamedWaitEndsOnAnEndlessLine) {
  for (const Named& n : NamedPolicies()) {
    if (!n.lineWorstMs) continue;
    for (const LinkMode mode : {LinkMode::kSerial, LinkMode::kWireless}) {
      for (const Line& l : kLines) {
        SCOPED_TRACE(n.name + " / " + l.name + (mode == LinkMode::kWireless ? " / wireless" : ""));
        BoundedClock clock;
        EndlessLine line(clock, l.periodMs, l.perPeriod);
        LinkService link(clock);
        link.UseSerialDevice(&line);
        ASSERT_NO_THROW(link.Exchange(mode, n.request, n.expected, n.policy));
        EXPECT_LE(clock.NowMs(), n.lineWorstMs);
        EXPECT_EQ(static_cast<uint64_t>(WorstCaseMs(n.policy.line)), n.lineWorstMs) << "the rule's own worst case";
      }
    }
  }
}

TEST(WaitBounds, EveryNamedWaitEndsOnAnEndlessConnection) {
  for (const Named& n : NamedPolicies()) {
    if (!n.netWorstMs) continue;
    for (const int perReceive : {1, 1024}) {
      SCOPED_TRACE(n.name + " / " + std::to_string(perReceive) + " bytes a receive");
      BoundedClock clock;
      LinkService link(clock);
      link.SetConnection(std::make_shared<EndlessSocket>(perReceive));
      link.SetConnected(true);
      ASSERT_NO_THROW(link.Exchange(LinkMode::kNetwork, n.request, n.expected, n.policy));
      EXPECT_LE(clock.NowMs(), n.netWorstMs);
      EXPECT_EQ(static_cast<uint64_t>(WorstCaseMs(n.policy.net)), n.netWorstMs) << "the rule's own worst case";
    }
  }
}

}  // namespace
}  // namespace kaviro
