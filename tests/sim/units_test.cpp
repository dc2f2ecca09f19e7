// Three controllers behind one simulator, on each transport: who answers, with whose values,
// faults and silence.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "link/crc16.h"
#include "link/radio_packet.h"
#include "link/rtu_frame.h"
#include "sim_clients.h"
#include "sim_process.h"

namespace kaviro::testing {
namespace {

const std::string kSim = KAVIRO_SIM_PATH;

enum class Transport { kRtu, kWireless, kTcp };

void PrintTo(Transport t, std::ostream* os) {
  *os << (t == Transport::kRtu ? "Rtu" : t == Transport::kWireless ? "Wireless" : "Tcp");
}

// One request PDU to one address and the answer PDU that came back, if one did.
class Bus {
 public:
  ~Bus() {
    sim.Stop();
    std::error_code ec;
    std::filesystem::remove(log_, ec);
  }

  bool Start(Transport transport, std::vector<std::string> args) {
    transport_ = transport;
    if (transport == Transport::kTcp) {
      args.insert(args.begin(), {"--tcp", "0"});
    } else {
      tty_ = SimProcess::UniquePath("units");
      args.insert(args.begin(), {"--pty", tty_});
      if (transport == Transport::kWireless) args.push_back("--wireless");
    }
    log_ = SimProcess::UniquePath("units-log");
    sim.StderrTo(log_);
    if (!sim.Start(kSim, args)) return false;
    if (transport == Transport::kTcp) {
      tcp_ = std::make_unique<TcpClient>(sim.tcpPort());
      return tcp_->connected();
    }
    return line_.Open(tty_);
  }

  std::optional<Bytes> Ask(uint8_t unit, const Bytes& pdu) {
    Bytes body{unit};
    body.insert(body.end(), pdu.begin(), pdu.end());
    if (transport_ == Transport::kTcp) {
      const uint16_t tid = ++tid_;
      Bytes request{static_cast<uint8_t>(tid >> 8), static_cast<uint8_t>(tid), 0, 0, 0, static_cast<uint8_t>(body.size())};
      request.insert(request.end(), body.begin(), body.end());
      tcp_->Send(request);
      const Bytes answer = tcp_->Answer(300);
      if (answer.size() < 8) return std::nullopt;
      EXPECT_EQ(GetU16(answer, 0), tid);
      EXPECT_EQ(answer[6], unit);
      return Bytes(answer.begin() + 7, answer.end());
    }
    const RtuFrame frame = RtuFrame::Seal(body);
    Bytes wire(frame.Bytes().begin(), frame.Bytes().end());
    if (transport_ == Transport::kWireless) {
      Bytes packed;
      for (const RadioPacket& p : PackFrame(wire)) packed.insert(packed.end(), p.begin(), p.end());
      wire = packed;
    }
    line_.Send(wire);
    Bytes answer = line_.Collect(80);
    if (answer.empty()) return std::nullopt;
    if (transport_ == Transport::kWireless) {
      const Unpacked joined = UnpackAnswer(answer);
      EXPECT_TRUE(joined.ok()) << joined.error;
      answer = joined.plain;
    }
    if (answer.size() < 4 || !HasValidCrc(answer)) {
      ADD_FAILURE() << "not a whole answer: " << ::testing::PrintToString(answer);
      return std::nullopt;
    }
    EXPECT_EQ(answer[0], unit);
    return Bytes(answer.begin() + 1, answer.end() - 2);
  }

  // A holding register of `unit` that must be read.
  uint16_t Read(uint8_t unit, uint16_t reg) {
    const auto answer = Ask(unit, {0x03, static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg), 0x00, 0x01});
    EXPECT_TRUE(answer && answer->size() == 4 && (*answer)[0] == 0x03) << "unit " << int(unit);
    return answer && answer->size() == 4 ? GetU16(*answer, 2) : 0;
  }

  std::vector<std::string> LogLines() const {
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  SimProcess sim;

 private:
  Transport transport_ = Transport::kTcp;
  std::string tty_, log_;
  LineClient line_;
  std::unique_ptr<TcpClient> tcp_;
  uint16_t tid_ = 0;
};

const Bytes kReadHvd{0x03, 0xE0, 0x0E, 0x00, 0x01};  // load high-voltage disconnect, 1600 at start
const Bytes kSerialRead{0x2B, 0x0E, 0x04, 0x04};     // identification object 0x04 alone

class ThreeUnits : public ::testing::TestWithParam<Transport> {};

TEST_P(ThreeUnits, EachAnswersItsOwnAddressWithItsOwnValuesFaultsAndSilence) {
  Bus bus;
  // Unit 3 spoils its first answer, SIGUSR1 silences unit 2.
  ASSERT_TRUE(bus.Start(GetParam(), {"--units", "1,2,3", "--fault-units", "3", "--exception", "1", "--fault-answers", "1",
                                     "--signal-units", "2", "--verbose"}))
      << bus.sim.output();
  EXPECT_NE(bus.sim.output().find(" units 1,2,3"), std::string::npos) << bus.sim.output();

  EXPECT_EQ(bus.Ask(3, kReadHvd), (Bytes{0x83, 0x04})) << "unit 3's fault";
  EXPECT_EQ(bus.Ask(1, kReadHvd), (Bytes{0x03, 0x02, 0x06, 0x40})) << "no fault on unit 1";
  const Bytes write{0x06, 0xE0, 0x0E, 0x05, 0xAA};
  EXPECT_EQ(bus.Ask(2, write), write) << "no fault on unit 2";
  EXPECT_EQ(bus.Read(1, 0xE00E), 1600);
  EXPECT_EQ(bus.Read(2, 0xE00E), 1450);
  EXPECT_EQ(bus.Read(3, 0xE00E), 1600) << "unit 3 answers clean after its first answer";
  EXPECT_FALSE(bus.Ask(4, kReadHvd)) << "no controller at 4";

  for (uint8_t unit : {1, 2, 3}) {
    const auto ident = bus.Ask(unit, kSerialRead);
    ASSERT_TRUE(ident && ident->size() == 17) << int(unit);
    EXPECT_EQ(std::string(ident->begin() + 9, ident->end()), "2405170" + std::to_string(unit));
  }

  // A broadcast reaches every unit on the line; TCP has no broadcast and unit id 0 names no unit.
  EXPECT_FALSE(bus.Ask(0, {0x06, 0xE0, 0x0F, 0x05, 0xD2}));
  const uint16_t lvr = GetParam() == Transport::kTcp ? 1500 : 1490;
  for (uint8_t unit : {1, 2, 3}) EXPECT_EQ(bus.Read(unit, 0xE00F), lvr) << int(unit);

  ::kill(bus.sim.pid(), SIGUSR1);
  EXPECT_FALSE(bus.Ask(2, kReadHvd)) << "silenced";
  EXPECT_EQ(bus.Read(1, 0xE00E), 1600);
  EXPECT_EQ(bus.Read(3, 0xE00E), 1600);
  ::kill(bus.sim.pid(), SIGUSR1);
  EXPECT_EQ(bus.Read(2, 0xE00E), 1450);

  // A new Modbus address applies from the next request.
  const Bytes move{0x06, 0x00, 0x40, 0x00, 0x09};
  EXPECT_EQ(bus.Ask(3, move), move);
  EXPECT_FALSE(bus.Ask(3, kReadHvd));
  EXPECT_EQ(bus.Read(9, 0x0040), 9);

  // --verbose: each answer says which unit gave it; requests are heard by all.
  int tagged = 0;
  for (const std::string& line : bus.LogLines()) {
    if (line.find(" <- ") != std::string::npos) {
      EXPECT_EQ(line.find("(unit"), std::string::npos) << line;
    } else if (line.find(" -> ") != std::string::npos) {
      EXPECT_TRUE(line.ends_with("  (unit 1)") || line.ends_with("  (unit 2)") || line.ends_with("  (unit 3)")) << line;
      ++tagged;
    }
  }
  EXPECT_GE(tagged, 10);
}

INSTANTIATE_TEST_SUITE_P(Transports, ThreeUnits, ::testing::Values(Transport::kRtu, Transport::kWireless, Transport::kTcp),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

}  // namespace
}  // namespace kaviro::testing
