#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <random>

#include "link/crc16.h"
#include "link/network_frame.h"
#include "link/radio_packet.h"
#include "link/rtu_frame.h"
#include "sim_clients.h"
#include "sim_process.h"

namespace kaviro::testing {
namespace {

const std::string kSim = KAVIRO_SIM_PATH;

Bytes B(const RtuFrame& f) { return Bytes(f.Bytes().begin(), f.Bytes().end()); }
Bytes Net(uint16_t tid, const RtuFrame& f, Protocol p = Protocol::kController) { return BuildNetworkRequest(tid, p, f.WithoutCrc()); }

bool LinkExists(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0;
}

// mbpoll takes the values to write after the device or host.
std::string Mbpoll(const std::string& target, const std::string& args, const std::string& values = "") {
  return RunCommand("mbpoll " + args + " -1 -0 " + target + " " + values).output;
}

struct Expected {
  int reg;
  uint16_t value;
};

// mbpoll reads the three poll blocks, writes a holding register and a coil; the values are the
// model's fixed defaults and what was written.
void CheckWithMbpoll(const std::string& mode, const std::string& target) {
  const auto input = MbpollValues(Mbpoll(target, mode + " -a 1 -t 3 -r 0 -c 90"));
  ASSERT_EQ(input.size(), 90u);
  for (const Expected& e : {Expected{0x04, 1}, {0x22, 2000}, {0x30, 0x42}, {0x40, 1}, {0x2C, 0x80}})
    EXPECT_EQ(input.at(e.reg), e.value) << std::hex << e.reg;
  const auto settings = MbpollValues(Mbpoll(target, mode + " -a 1 -t 4 -r 57344 -c 27"));
  ASSERT_EQ(settings.size(), 27u);
  EXPECT_EQ(settings.at(0xE00E), 1600);
  EXPECT_EQ(settings.at(0xE009), 7200);
  const auto lighting = MbpollValues(Mbpoll(target, mode + " -a 1 -t 4 -r 57472 -c 78"));
  ASSERT_EQ(lighting.size(), 78u);
  EXPECT_EQ(lighting.at(0xE081), 0x0428);
  EXPECT_EQ(lighting.at(0xE087), 0x5B68);

  Mbpoll(target, mode + " -a 1 -t 4 -r 57358", "1450");
  EXPECT_EQ(MbpollValues(Mbpoll(target, mode + " -a 1 -t 4 -r 57358 -c 1")).at(0xE00E), 1450);
  Mbpoll(target, mode + " -a 1 -t 0 -r 240", "1");
  EXPECT_EQ(MbpollValues(Mbpoll(target, mode + " -a 1 -t 0 -r 240 -c 1")).at(240), 1);
  EXPECT_TRUE(MbpollValues(Mbpoll(target, mode + " -a 2 -t 4 -r 64 -c 1 -o 0.2")).empty()) << "another unit is not answered";
}

TEST(SimProcess, ServesMbpollOverTcp) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--tcp", "0"})) << sim.output();
  CheckWithMbpoll("-m tcp -p " + std::to_string(sim.tcpPort()), "127.0.0.1");
}

TEST(SimProcess, ServesMbpollOverThePtyInRtu) {
  const std::string tty = SimProcess::UniquePath("tty");
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--pty", tty})) << sim.output();
  CheckWithMbpoll("-m rtu -b 9600 -P none -s 2", tty);
}

struct Malformed {
  const char* what;
  Bytes bytes;
  bool vanish;  // the client leaves right after sending
};

TEST(SimProcess, MalformedTcpInputNeverStopsTheServer) {
  std::mt19937 random(5);
  Bytes noise(1000);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
  const Bytes read = Net(1, ReadRegisters(1, 0x04, 0, 2));
  const Malformed cases[] = {
      {"short header", {0x00, 0x01, 0x00}, true},
      {"half a frame", Bytes(read.begin(), read.begin() + 8), true},
      {"length field too large", {0x00, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x03}, false},
      {"length field zero", {0x00, 0x01, 0x00, 0x00, 0x00, 0x00}, false},
      {"1000 random bytes", noise, false},
      {"1000 random bytes then gone", noise, true},
  };
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--tcp", "0"})) << sim.output();
  for (const Malformed& c : cases) {
    SCOPED_TRACE(c.what);
    {
      TcpClient bad(sim.tcpPort());
      ASSERT_TRUE(bad.connected());
      bad.Send(c.bytes);
      if (!c.vanish) bad.Collect(100);
    }
    TcpClient good(sim.tcpPort());
    good.Send(Net(0x4242, ReadRegisters(1, 0x04, 0x0004, 1)));
    EXPECT_EQ(good.Answer(), (Bytes{0x42, 0x42, 0, 0, 0, 5, 1, 0x04, 0x02, 0x00, 0x01}));
  }
}

TEST(SimProcess, OddRequestsOnOneConnectionGetModbusAnswersOrNone) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--tcp", "0"})) << sim.output();
  TcpClient c(sim.tcpPort());
  // PDU longer than its function allows: illegal data value.
  c.Send(Bytes{0, 1, 0, 0, 0, 8, 1, 0x03, 0x00, 0x00, 0x00, 0x01, 0xAA, 0xBB});
  EXPECT_EQ(c.Answer(), (Bytes{0, 1, 0, 0, 0, 3, 1, 0x83, 0x03}));
  // Unknown protocol id and another unit: no answer, the connection stays.
  c.Send(Bytes{0, 2, 0x12, 0x34, 0, 6, 1, 0x03, 0x00, 0x40, 0x00, 0x01});
  c.Send(Net(3, ReadRegisters(9, 0x03, 0x0040, 1)));
  c.Send(Net(4, ReadRegisters(1, 0x03, 0x0040, 1)));
  EXPECT_EQ(c.Answer(), (Bytes{0, 4, 0, 0, 0, 5, 1, 0x03, 0x02, 0x00, 0x01}));
  // The RD behind the controller, at its own unit.
  c.Send(Net(5, ReadRegisters(0x36, 0x03, 0x1000, 3), Protocol::kRelay));
  EXPECT_EQ(c.Answer(), (Bytes{0, 5, 1, 1, 0, 9, 0x36, 0x03, 0x06, 0x00, '2', '1', '2', '0', '6'}));
}

TEST(SimProcess, OneClientAtATimeAndLaterOnesAfterwards) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--tcp", "0"})) << sim.output();
  TcpClient first(sim.tcpPort());
  first.Send(Net(1, ReadRegisters(1, 0x03, 0x0040, 1)));
  EXPECT_EQ(first.Answer().size(), 11u);
  TcpClient second(sim.tcpPort());
  ASSERT_TRUE(second.connected());
  second.Send(Net(2, ReadRegisters(1, 0x03, 0x0040, 1)));
  EXPECT_TRUE(second.Collect(150).empty()) << "waits while the first is served";
  first.Close();
  EXPECT_EQ(second.Answer(), (Bytes{0, 2, 0, 0, 0, 5, 1, 0x03, 0x02, 0x00, 0x01}));
}

TEST(SimProcess, TcpFaultsFromTheCommandLine) {
  SimProcess closing;
  ASSERT_TRUE(closing.Start(kSim, {"--tcp", "0", "--close-after", "2"})) << closing.output();
  TcpClient c(closing.tcpPort());
  for (uint16_t tid = 1; tid <= 2; ++tid) {
    c.Send(Net(tid, ReadRegisters(1, 0x03, 0x0040, 1)));
    EXPECT_EQ(c.Answer().size(), 11u);
  }
  c.Send(Net(3, ReadRegisters(1, 0x03, 0x0040, 1)));
  EXPECT_TRUE(c.Collect(300).empty());
  EXPECT_TRUE(c.closedByPeer());

  SimProcess wrongTid;
  ASSERT_TRUE(wrongTid.Start(kSim, {"--tcp", "0", "--wrong-tid", "1"})) << wrongTid.output();
  TcpClient t(wrongTid.tcpPort());
  t.Send(Net(0x0100, ReadRegisters(1, 0x03, 0x0040, 1)));
  const Bytes answer = t.Answer();
  ASSERT_EQ(answer.size(), 11u);
  EXPECT_FALSE(MatchesTransaction(answer, 0x0100));

  SimProcess silent;
  ASSERT_TRUE(silent.Start(kSim, {"--tcp", "0", "--silent"})) << silent.output();
  TcpClient s(silent.tcpPort());
  s.Send(Net(1, ReadRegisters(1, 0x03, 0x0040, 1)));
  EXPECT_TRUE(s.Collect(200).empty());
}

TEST(SimProcess, PtyKeepsServingAcrossReopensAndGarbage) {
  const std::string tty = SimProcess::UniquePath("tty");
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--pty", tty})) << sim.output();
  const Bytes request = B(ReadRegisters(1, 0x03, 0x0040, 1));
  const Bytes expected = B(RtuFrame::Seal(Bytes{1, 0x03, 0x02, 0x00, 0x01}));
  for (int round = 0; round < 5; ++round) {
    LineClient line;
    ASSERT_TRUE(line.Open(tty)) << round;
    line.Send(Bytes{0xFF, 0x13, 0x00, 0x99, 0xF0});
    line.Send(request);
    EXPECT_EQ(line.Collect(60), expected) << round;
    // Half a request, then the client goes: the next one must not see it.
    line.Send(Bytes(request.begin(), request.begin() + 4));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  LineClient last;
  ASSERT_TRUE(last.Open(tty));
  Bytes bad = request;
  bad.back() ^= 0x01;
  last.Send(bad);
  EXPECT_TRUE(last.Collect(80).empty()) << "bad CRC: no answer";
  last.Send(request);
  EXPECT_EQ(last.Collect(60), expected);
}

TEST(SimProcess, ZeroPaddedBlockOfTheThresholdProbeIsAnsweredAsSixteenBytes) {
  const std::string tty = SimProcess::UniquePath("tty");
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--pty", tty})) << sim.output();
  LineClient line;
  ASSERT_TRUE(line.Open(tty));
  Bytes block = B(ReadRegisters(1, 0x03, 0x2033, 2));
  EXPECT_EQ(block, (Bytes{0x01, 0x03, 0x20, 0x33, 0x00, 0x02, 0x3F, 0xC4}));
  block.resize(16, 0);
  line.Send(block);
  const Bytes answer = line.Collect(60);
  ASSERT_EQ(answer.size(), 16u);
  EXPECT_TRUE(HasValidCrc(std::span<const uint8_t>(answer).first(9)));
  EXPECT_EQ(GetU16(answer, 3), 1200);
  EXPECT_EQ(GetU16(answer, 5), 1250);
}

TEST(SimProcess, ThresholdProbeBlockThroughTheWirelessSideComesBackAsOnePacket) {
  const std::string tty = SimProcess::UniquePath("tty");
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--pty", tty, "--wireless"})) << sim.output();
  LineClient line;
  ASSERT_TRUE(line.Open(tty));
  Bytes block = B(ReadRegisters(1, 0x03, 0x2033, 2));
  block.resize(16, 0);  // count byte 0: not a packet, yet the frame is whole
  line.Send(block);
  const Bytes answer = line.Collect(60);
  ASSERT_EQ(answer.size(), 16u);
  EXPECT_TRUE(HasValidCrc(std::span<const uint8_t>(answer).first(9)));
  EXPECT_EQ(answer[15], 9);
}

TEST(SimProcess, PaceLetsBytesOutAtTheLineRate) {
  const std::string tty = SimProcess::UniquePath("tty");
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--pty", tty, "--pace"})) << sim.output();
  LineClient line;
  ASSERT_TRUE(line.Open(tty));
  const auto start = std::chrono::steady_clock::now();
  line.Send(B(ReadRegisters(1, 0x04, 0, 90)));
  const Bytes answer = line.Collect(40);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count() - 40;
  ASSERT_EQ(answer.size(), 185u);
  EXPECT_GE(took, 185 * 11 * 1000 / 9600 - 5) << "185 bytes at 11 bits each and 9600 baud";
}

TEST(SimProcess, StopsCleanlyOnSignalsAndRemovesItsLink) {
  for (int sig : {SIGTERM, SIGINT}) {
    const std::string tty = SimProcess::UniquePath("tty");
    SimProcess sim;
    ASSERT_TRUE(sim.Start(kSim, {"--pty", tty, "--tcp", "0"})) << sim.output();
    EXPECT_TRUE(LinkExists(tty));
    const auto status = sim.SignalAndWait(sig);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    EXPECT_FALSE(LinkExists(tty));
  }
}

TEST(SimProcess, LinkOfAKilledSimulatorIsRemovedByItsTest) {
  const std::string tty = SimProcess::UniquePath("tty");
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kSim, {"--pty", tty})) << sim.output();
  ASSERT_TRUE(sim.SignalAndWait(SIGKILL));
  EXPECT_TRUE(LinkExists(tty));
  sim.Stop();
  EXPECT_FALSE(LinkExists(tty));
}

TEST(SimProcess, CommandLineErrorsAndHelp) {
  EXPECT_EQ(WEXITSTATUS(RunCommand(kSim + " --id 300").status), 2);
  EXPECT_EQ(WEXITSTATUS(RunCommand(kSim + " --nonsense").status), 2);
  const CommandResult help = RunCommand(kSim + " --help");
  EXPECT_EQ(WEXITSTATUS(help.status), 0);
  EXPECT_NE(help.output.find("--corrupt-crc"), std::string::npos);
  const std::string file = SimProcess::UniquePath("file");
  FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_TRUE(f);
  std::fclose(f);
  EXPECT_EQ(WEXITSTATUS(RunCommand(kSim + " --pty " + file).status), 1) << "never replaces a file that is not its link";
  ::unlink(file.c_str());
}

}  // namespace
}  // namespace kaviro::testing
