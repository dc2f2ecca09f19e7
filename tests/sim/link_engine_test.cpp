#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "link/link_service.h"
#include "monitor/poll_worker.h"
#include "link/tcp_link.h"
#include "sim_process.h"

namespace kaviro::testing {
namespace {

const std::string kSim = KAVIRO_SIM_PATH;

struct PollRead {
  uint8_t function;
  uint16_t start;
  uint16_t count;
  uint16_t checkReg;  // a fixed default inside the block
  uint16_t checkValue;
};

const PollRead kPollReads[] = {
    {fn::kReadInput, 0x0000, 90, 0x0022, 2000},
    {fn::kReadHolding, 0xE000, 27, 0xE00E, 1600},
    {fn::kReadHolding, 0xE080, 78, 0xE081, 0x0428},
};

// The poll's first block policy (200 checks of 10 ms), long enough for every block here.
ExchangePolicy SerialPollPolicy() { return PollBlockPolicy(PollBlocks()[0]); }

ExchangePolicy NetworkPollPolicy(Protocol protocol = Protocol::kController) {
  ExchangePolicy p = PollBlockPolicy(PollBlocks()[0]);
  p.protocol = protocol;
  return p;
}

void PollAllBlocks(LinkService& link, LinkMode mode, const ExchangePolicy& policy) {
  for (const PollRead& r : kPollReads) {
    SCOPED_TRACE(::testing::Message() << std::hex << r.start);
    const ExchangeResult result = link.Exchange(mode, ReadRegisters(1, r.function, r.start, r.count), ReadAnswerLength(r.count), policy);
    ASSERT_TRUE(result.ok()) << static_cast<int>(result.outcome) << " " << result.message;
    ASSERT_EQ(link.receive().count, ReadAnswerLength(r.count));
    EXPECT_EQ(GetU16(link.receive().Stored(), 3 + 2 * (r.checkReg - r.start)), r.checkValue);
  }
}

TEST(LinkEngineAgainstSim, SerialPollOverThePty) {
  const std::string tty = SimProcess::UniquePath("tty");
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--pty", tty})) << sim.output();
  LinkService link;
  ASSERT_TRUE(link.EnsureSerialOpenPath(tty));
  PollAllBlocks(link, LinkMode::kSerial, SerialPollPolicy());
}

TEST(LinkEngineAgainstSim, WirelessPollAndAMultiPacketWrite) {
  const std::string tty = SimProcess::UniquePath("tty");
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--pty", tty, "--wireless"})) << sim.output();
  LinkService link;
  ASSERT_TRUE(link.EnsureSerialOpenPath(tty));
  PollAllBlocks(link, LinkMode::kWireless, SerialPollPolicy());

  // The custom battery row goes out as two packets with a pause; the sim must join them.
  const std::vector<uint8_t> row{0x05, 0xA0, 0x05, 0x46, 0x05, 0xDC, 0x00, 0x1E, 0x06, 0x40,
                                 0x04, 0x4C, 0x04, 0xB0, 0x04, 0xE2, 0x00, 0xF6};
  ASSERT_EQ(link.SendOnly(LinkMode::kWireless, WriteRegisters(1, 0x203F, row)), Outcome::kAnswered);
  // The next exchange purges the port: give the last packet time to leave it first.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ExchangePolicy read;
  read.line = wait::Gather{.sleepMs = 50, .checks = 30, .quiet = 3, .from = wait::Gather::QuietFrom::kFirstByte};
  read.unpack = unpack::General{};
  read.lineAccept = Accept::kReadRule;
  const ExchangeResult result = link.Exchange(LinkMode::kWireless, ReadRegisters(1, fn::kReadHolding, 0x203F, 9), ReadAnswerLength(9), read);
  ASSERT_TRUE(result.ok()) << static_cast<int>(result.outcome) << " " << result.message;
  EXPECT_EQ(std::vector<uint8_t>(result.answer.begin() + 3, result.answer.end() - 2), row);
}

struct Connected {
  std::shared_ptr<TcpLink> socket;
  bool ok = false;
};

Connected ConnectTo(int port) {
  Connected c;
  int event = 0, error = -1;
  c.socket = std::make_shared<TcpLink>([&](int e, int err) {
    event = e;
    error = err;
  });
  if (!c.socket->Connect("127.0.0.1", port)) return c;
  for (int i = 0; i < 100 && event != kSocketConnect; ++i) c.socket->PumpEvents(20);
  c.ok = event == kSocketConnect && error == 0;
  return c;
}

TEST(LinkEngineAgainstSim, NetworkPollAndTheRdBehindIt) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--tcp", "0"})) << sim.output();
  const Connected c = ConnectTo(sim.tcpPort());
  ASSERT_TRUE(c.ok);
  LinkService link;
  link.SetConnection(c.socket);
  link.SetConnected(true);
  PollAllBlocks(link, LinkMode::kNetwork, NetworkPollPolicy());
  EXPECT_EQ(link.transaction().Current(), 3) << "the poll advances the id after each read";

  const ExchangeResult info = link.Exchange(LinkMode::kNetwork, ReadRegisters(0x36, fn::kReadHolding, 0x0020, 4), ReadAnswerLength(4),
                                            NetworkPollPolicy(Protocol::kRelay));
  ASSERT_TRUE(info.ok()) << static_cast<int>(info.outcome);
  EXPECT_EQ(link.receive().bytes[0], 0x36);
  EXPECT_EQ(link.receive().bytes[9], 0x36) << "d6: the RD's Modbus address";
}

TEST(LinkEngineAgainstSim, FaultsReachTheEngineAsRejectionsAndTimeouts) {
  const std::string tty = SimProcess::UniquePath("tty");
  SimProcess crc;
  ASSERT_TRUE(crc.Start(kSim, {"--pty", tty, "--corrupt-crc", "1"})) << crc.output();
  LinkService link;
  ASSERT_TRUE(link.EnsureSerialOpenPath(tty));
  const ExchangeResult spoilt = link.Exchange(LinkMode::kSerial, ReadRegisters(1, fn::kReadInput, 0, 90), 185, SerialPollPolicy());
  EXPECT_EQ(spoilt.outcome, Outcome::kRejected);

  const std::string quietTty = SimProcess::UniquePath("tty");
  SimProcess silent;
  ASSERT_TRUE(silent.Start(kSim, {"--pty", quietTty, "--silent"})) << silent.output();
  LinkService quiet;
  ASSERT_TRUE(quiet.EnsureSerialOpenPath(quietTty));
  ExchangePolicy shortWait = SerialPollPolicy();
  std::get<wait::UntilBytes>(shortWait.line).checks = 20;
  EXPECT_EQ(quiet.Exchange(LinkMode::kSerial, ReadRegisters(1, fn::kReadInput, 0, 90), 185, shortWait).outcome, Outcome::kTimedOut);
}

}  // namespace
}  // namespace kaviro::testing
