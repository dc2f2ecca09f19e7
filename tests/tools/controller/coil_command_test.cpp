// The action dialog's coil writes: the request, the echo rule in virtual time, and the messages.
#include <gtest/gtest.h>

#include <memory>

#include "link/fake_link.h"
#include "link/radio_packet.h"
#include "tools/controller/coil_command.h"

namespace kaviro {
namespace {

using testing::Bytes;

const Bytes kClearFaults = {0x01, 0x05, 0x00, 0x14, 0xFF, 0x00, 0xCC, 0x3E};
const std::string kOk = "设置成功！", kFailed = "设置失败！", kDiffers = "操作失败！", kRestarting = "设备正在重启...！";

Bytes Frame(uint8_t unit, uint16_t coil) {
  const RtuFrame f = WriteCoil(unit, coil);
  return {f.Bytes().begin(), f.Bytes().end()};
}

TEST(CoilCommand, ActionsAndTheirNames) {
  EXPECT_EQ(Frame(1, 0x0014), kClearFaults);
  ASSERT_EQ(CoilActions().size(), 11u);
  for (const CoilAction& a : CoilActions()) EXPECT_EQ(CoilByName(a.name), a.coil) << a.name;
  EXPECT_EQ(CoilByName("0x00F0"), 0x00F0);
  EXPECT_EQ(CoilByName("0XABCD"), 0xABCD);
  for (const char* bad : {"", "0x", "0x12", "0x123456", "0xGG00", "clear", "14"}) EXPECT_FALSE(CoilByName(bad)) << bad;
}

struct SerialCase {
  const char* name;
  uint16_t coil;
  std::vector<std::pair<uint64_t, Bytes>> arrivals;  // after the write
  std::vector<std::string> messages;
  uint64_t endsAtMs;
};

class CoilSerialTest : public ::testing::TestWithParam<SerialCase> {
 protected:
  CoilSerialTest() { link.UseSerialDevice(&port); }
  testing::FakeClock clock;
  testing::ScriptedPort port{clock};
  LinkService link{clock};
};

TEST_P(CoilSerialTest, EchoRule) {
  const SerialCase& c = GetParam();
  for (const auto& [at, bytes] : c.arrivals) port.AnswerAfter(at, bytes);
  const Result<> r = SendCoil(link, LinkMode::kSerial, 1, c.coil);
  EXPECT_EQ(r.Texts(), c.messages);
  EXPECT_EQ(r.ok(), c.messages.back() == kOk);
  EXPECT_EQ(clock.NowMs(), c.endsAtMs);
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0], Frame(1, c.coil));
  EXPECT_EQ(port.purges(), 1);
}

Bytes Part(const Bytes& b, size_t from, size_t to) { return {b.begin() + from, b.begin() + to}; }
Bytes Differing() {
  Bytes b = kClearFaults;
  b[3] = 0x15;
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CoilSerialTest,
    ::testing::Values(SerialCase{"EchoAtOnce", 0x0014, {{25, kClearFaults}}, {kOk}, 30},
                      SerialCase{"EchoInTwoPartsOnceAllEightWait",
                                 0x0014,
                                 {{15, Part(kClearFaults, 0, 4)}, {45, Part(kClearFaults, 4, 8)}},
                                 {kOk},
                                 50},
                      SerialCase{"SevenBytesAreNeverRead", 0x0014, {{15, Part(kClearFaults, 0, 7)}}, {kFailed}, 500},
                      SerialCase{"DifferingEchoGivesBothMessages", 0x0014, {{15, Differing()}}, {kDiffers, kFailed}, 500},
                      SerialCase{"DifferingThenRightEcho", 0x0014, {{15, Differing()}, {80, kClearFaults}}, {kDiffers, kOk}, 80},
                      SerialCase{"NoAnswer", 0x0014, {}, {kFailed}, 500},
                      SerialCase{"UnansweredResetIsARestart", 0x00FF, {}, {kRestarting}, 500}),
    [](const ::testing::TestParamInfo<SerialCase>& info) { return info.param.name; });

TEST(CoilCommandLink, ClosedPortSendsNothing) {
  testing::FakeClock clock;
  testing::ScriptedPort port{clock};
  LinkService link{clock};
  link.UseSerialDevice(&port);
  port.SetOpen(false);
  for (uint16_t coil : {0x0014, 0x00FF}) {
    EXPECT_EQ(SendCoil(link, LinkMode::kWireless, 1, coil).Texts(),
              std::vector<std::string>{"串口或被占用无法打开！\r\n请关闭占用此串口的程序，在重新打开本程序!"});
  }
  EXPECT_TRUE(port.writes().empty());
}

TEST(CoilCommandLink, WirelessPacketIsComparedAsReceived) {
  testing::FakeClock clock;
  testing::ScriptedPort port{clock};
  LinkService link{clock};
  link.UseSerialDevice(&port);
  Bytes sent = kClearFaults;
  sent.resize(15, 0);
  sent.push_back(8);
  // The echo packet is not unpacked: behind the 8 bytes may stand anything, its count included.
  Bytes reply = kClearFaults;
  reply.resize(16, 0x77);
  port.AnswerAfter(40, reply);
  const Result<> r = SendCoil(link, LinkMode::kWireless, 1, 0x0014);
  EXPECT_EQ(r.Texts(), std::vector<std::string>{kOk});
  EXPECT_EQ(port.writes()[0], sent);
  EXPECT_EQ(clock.NowMs(), 40u);

  port.AnswerAfter(40, Part(reply, 0, 15));  // not a whole packet: never read
  EXPECT_EQ(SendCoil(link, LinkMode::kWireless, 1, 0x0014).Texts(), std::vector<std::string>{kFailed});
}

class CoilNetworkTest : public ::testing::Test {
 protected:
  CoilNetworkTest() {
    link.SetConnection(socket);
    link.SetConnected(true);
    link.transaction().Reset(0x0203);
  }
  static Bytes Answer(uint16_t id, uint8_t unit) {
    return {static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id), 0, 0, 0, 6, unit, 0x05, 0x00, 0x14, 0xFF, 0x00};
  }
  testing::FakeClock clock;
  std::shared_ptr<testing::ScriptedSocket> socket = std::make_shared<testing::ScriptedSocket>();
  LinkService link{clock};
};

TEST_F(CoilNetworkTest, ConfirmedByTheUnitThatWasAsked) {
  socket->ThenCode(0);  // a failed receive is only retried
  socket->Then(Answer(0x0202, 1));
  socket->Then(Answer(0x0203, 1));
  EXPECT_EQ(SendCoil(link, LinkMode::kNetwork, 1, 0x0014).Texts(), std::vector<std::string>{kOk});
  EXPECT_EQ(socket->sent()[0], (Bytes{0x02, 0x03, 0, 0, 0, 6, 0x01, 0x05, 0x00, 0x14, 0xFF, 0x00}));
  EXPECT_EQ(clock.NowMs(), 30u);
  EXPECT_EQ(link.transaction().Current(), 0x0204);
}

TEST_F(CoilNetworkTest, FailuresAndTheRestart) {
  socket->Then(Answer(0x0203, 2));  // the right transaction from another unit
  EXPECT_EQ(SendCoil(link, LinkMode::kNetwork, 1, 0x0014).Texts(), std::vector<std::string>{kFailed});
  EXPECT_EQ(SendCoil(link, LinkMode::kNetwork, 1, 0x00FF).Texts(), std::vector<std::string>{kRestarting});
  EXPECT_EQ(socket->receives(), 51);
  EXPECT_EQ(link.transaction().Current(), 0x0205);

  socket->LimitSend(11);
  EXPECT_EQ(SendCoil(link, LinkMode::kNetwork, 1, 0x00FF).Texts(), std::vector<std::string>{kFailed});
  link.SetConnected(false);
  const size_t sent = socket->sent().size();
  EXPECT_EQ(SendCoil(link, LinkMode::kNetwork, 1, 0x00FF).Texts(), std::vector<std::string>{kFailed});
  EXPECT_EQ(socket->sent().size(), sent);
}

}  // namespace
}  // namespace kaviro
