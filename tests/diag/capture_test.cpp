// The capture file: written by the engine's frame observer in virtual time, read back by the
// project's reader and, where it is installed, by tshark's Modbus dissectors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "cli/cli_runner.h"
#include "diag/capture_format.h"
#include "diag/capture_reader.h"
#include "diag/capture_writer.h"
#include "link/fake_link.h"
#include "link/link_service.h"
#include "link/radio_packet.h"
#include "monitor/poll_worker.h"
#include "scratch.h"

namespace kaviro::diag {
namespace {

using testing::Bytes;
using testing::FakeClock;
using testing::ScriptedPort;
using testing::ScriptedSocket;

Bytes ReadAnswer(uint8_t function, int count) {
  Bytes body{1, function, static_cast<uint8_t>(2 * count)};
  for (int i = 0; i < count; ++i) PutU16(body, static_cast<uint16_t>(0x1200 + i));
  const RtuFrame f = RtuFrame::Seal(body);
  return {f.Bytes().begin(), f.Bytes().end()};
}

Bytes Packets(const Bytes& plain) {
  Bytes out;
  for (const RadioPacket& p : PackFrame(plain)) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes NetFrame(uint16_t id, const Bytes& rtu) {
  Bytes out(rtu.begin(), rtu.end() - 2);
  const uint8_t head[] = {static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id), 0, 0, 0,
                          static_cast<uint8_t>(rtu.size() - 2)};
  out.insert(out.begin(), std::begin(head), std::end(head));
  return out;
}

Bytes Of(std::span<const uint8_t> s) { return {s.begin(), s.end()}; }

ExchangePolicy PollPolicy() { return PollBlockPolicy(PollBlocks()[0]); }

// The link with a capture on a file, and one block read per mode.
class CaptureTest : public ::testing::Test {
 protected:
  CaptureTest() {
    link.UseSerialDevice(&port);
    link.SetConnection(socket);
    link.SetConnected(true);
    std::string error;
    writer = CaptureWriter::Open(path, clock, error);
    EXPECT_TRUE(writer) << error;
    if (writer) link.AddFrameObserver(writer.get());
  }
  ~CaptureTest() override {
    if (writer) link.RemoveFrameObserver(writer.get());
  }
  Capture Read() {
    const std::optional<Capture> c = ReadCapture(path);
    EXPECT_TRUE(c);
    return c.value_or(Capture{});
  }

  FakeClock clock;
  ScriptedPort port{clock};
  std::shared_ptr<ScriptedSocket> socket = std::make_shared<ScriptedSocket>();
  LinkService link{clock};
  testing::ScratchDir dir{"diag"};
  const std::string path = (dir / "link.pcap").string();
  std::unique_ptr<CaptureWriter> writer;
  const RtuFrame request = ReadRegisters(1, fn::kReadInput, 0, 3);
};

struct Expected {
  uint16_t linkType;
  FrameDirection direction;
  Bytes data;  // for Ethernet: the TCP payload
};

TEST_F(CaptureTest, EveryFrameOfEveryModeIsInTheFileAtOnce) {
  using D = FrameDirection;
  const Bytes answer = ReadAnswer(fn::kReadInput, 3);
  const Bytes request8 = Of(request.Bytes());
  ASSERT_TRUE(Read().packets.empty());

  port.AnswerAfter(35, answer);
  link.Exchange(LinkMode::kSerial, request, 11, PollPolicy());
  EXPECT_EQ(Read().packets.size(), 2u) << "on disk once the exchange is over";

  port.AnswerAfter(35, Packets(answer));
  link.Exchange(LinkMode::kWireless, request, 11, PollPolicy());

  link.transaction().Reset(0x0102);
  socket->Then(NetFrame(0x0102, answer));
  link.Exchange(LinkMode::kNetwork, request, 11, PollPolicy());
  socket->Then(NetFrame(0x0103, answer));
  link.Exchange(LinkMode::kNetwork, request, 11, PollPolicy());

  const Bytes packet = Of(PackRequest(request.Bytes()));
  const std::vector<Expected> want = {
      {capture::kLinkRtu, D::kOut, request8},
      {capture::kLinkRtu, D::kIn, answer},
      {capture::kLinkRtu, D::kOut, request8},
      {capture::kLinkRadio, D::kOut, packet},
      {capture::kLinkRadio, D::kIn, Packets(answer)},
      {capture::kLinkRtu, D::kIn, answer},
      {capture::kLinkEthernet, D::kOut, NetFrame(0x0102, request8)},
      {capture::kLinkEthernet, D::kIn, NetFrame(0x0102, answer)},
      {capture::kLinkEthernet, D::kOut, NetFrame(0x0103, request8)},
      {capture::kLinkEthernet, D::kIn, NetFrame(0x0103, answer)},
  };
  const Capture c = Read();
  EXPECT_FALSE(c.truncated);
  EXPECT_EQ(c.interfaces, (std::vector<uint16_t>{capture::kLinkEthernet, capture::kLinkRtu, capture::kLinkRadio}));
  ASSERT_EQ(c.packets.size(), want.size());
  EXPECT_EQ(writer->frames(), want.size());
  // The 16-byte packets: seen one by one; the capture holds each in a block of its own.
  for (size_t i = 0; i < want.size(); ++i) {
    const CapturedPacket& p = c.packets[i];
    EXPECT_EQ(p.linkType, want[i].linkType) << i;
    EXPECT_EQ(p.direction, want[i].direction) << i;
    if (p.linkType != capture::kLinkEthernet) {
      EXPECT_EQ(p.data, want[i].data) << i;
      continue;
    }
    const std::optional<TcpSegment> s = ParseTcp(p.data);
    ASSERT_TRUE(s) << i;
    EXPECT_EQ(s->payload, want[i].data) << i;
    EXPECT_TRUE(s->checksumsRight) << i;
    const bool out = want[i].direction == D::kOut;
    EXPECT_EQ(s->destinationPort, out ? capture::kModbusPort : capture::kToolPort);
    EXPECT_EQ(s->sourceIp, out ? capture::kToolIp : capture::kControllerIp);
  }
  for (size_t i = 1; i < c.packets.size(); ++i) EXPECT_LE(c.packets[i - 1].timeUs, c.packets[i].timeUs);
  // Request to answer as long as the virtual wait took.
  EXPECT_EQ(c.packets[1].timeUs - c.packets[0].timeUs, 40000u);
}

TEST_F(CaptureTest, SequenceNumbersRunOnAcrossSegmentsBothWays) {
  const Bytes answer = ReadAnswer(fn::kReadInput, 3);
  for (uint16_t id = 0; id < 3; ++id) {
    socket->Then(NetFrame(id, answer));
    link.Exchange(LinkMode::kNetwork, request, 11, PollPolicy());
  }
  const Capture c = Read();
  ASSERT_EQ(c.packets.size(), 6u);
  uint32_t toolNext = 1, controllerNext = 1;
  for (const CapturedPacket& p : c.packets) {
    const std::optional<TcpSegment> s = ParseTcp(p.data);
    ASSERT_TRUE(s);
    const bool out = s->sourcePort == capture::kToolPort;
    EXPECT_EQ(s->seq, out ? toolNext : controllerNext);
    EXPECT_EQ(s->ack, out ? controllerNext : toolNext);
    (out ? toolNext : controllerNext) += static_cast<uint32_t>(s->payload.size());
  }
  EXPECT_EQ(toolNext, 1u + 3 * 12);
  EXPECT_EQ(controllerNext, 1u + 3 * 15);
}

TEST_F(CaptureTest, AFileCutAnywhereKeepsTheFramesBeforeTheCut) {
  port.AnswerAfter(35, ReadAnswer(fn::kReadInput, 3));
  link.Exchange(LinkMode::kSerial, request, 11, PollPolicy());
  std::ifstream in(path, std::ios::binary);
  const Bytes whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  // Header blocks end here; each frame block follows.
  const Capture full = *ParseCapture(whole);
  ASSERT_EQ(full.packets.size(), 2u);
  for (size_t cut = 28; cut < whole.size(); ++cut) {
    const std::optional<Capture> c = ParseCapture(std::span(whole).first(cut));
    ASSERT_TRUE(c) << cut;
    ASSERT_LE(c->packets.size(), 2u);
    for (size_t i = 0; i < c->packets.size(); ++i) EXPECT_EQ(c->packets[i].data, full.packets[i].data);
  }
}

TEST(CaptureWriter, AFileThatCannotBeWrittenSaysWhy) {
  FakeClock clock;
  std::string error;
  EXPECT_FALSE(CaptureWriter::Open("/nonexistent-dir/x.pcap", clock, error));
  EXPECT_EQ(error, "/nonexistent-dir/x.pcap: No such file or directory");
}

// tshark's own reading of the frames: protocol, unit, function, first register, count and the
// values as the answer carried them.
constexpr const char* kRtuDissector = R"x(uat:user_dlts:"User 0 (DLT=147)","mbrtu","0","","0","")x";

std::string Tshark(const std::filesystem::path& dir, const std::string& file) {
  const testing::ChildResult r = testing::RunChild(
      "/usr/bin/tshark",
      {"-r", file, "-o", kRtuDissector, "-T", "fields", "-E", "separator=|", "-e", "frame.protocols", "-e",
       "modbus.func_code", "-e", "modbus.reference_num", "-e", "modbus.word_cnt", "-e", "modbus.regval_uint16"},
      {.dir = dir});
  return r.exited && r.code == 0 ? r.out : "tshark failed: " + r.err;
}

TEST_F(CaptureTest, TsharkDecodesEveryModbusFrame) {
  if (!std::filesystem::exists("/usr/bin/tshark")) GTEST_SKIP() << "tshark is not installed";
  const Bytes answer = ReadAnswer(fn::kReadInput, 3);
  port.AnswerAfter(35, answer);
  link.Exchange(LinkMode::kSerial, request, 11, PollPolicy());
  port.AnswerAfter(35, Packets(answer));
  link.Exchange(LinkMode::kWireless, request, 11, PollPolicy());
  socket->Then(NetFrame(0, answer));
  link.Exchange(LinkMode::kNetwork, request, 11, PollPolicy());
  const std::string rtuQuery = "|4|0|3|\n", rtuAnswer = "|4|||4608,4609,4610\n";
  EXPECT_EQ(Tshark(dir.path(), path),
            "user_dlt:mbrtu:modbus" + rtuQuery + "user_dlt:mbrtu:modbus" + rtuAnswer +  // serial
                "user_dlt:mbrtu:modbus" + rtuQuery + "user_dlt:data||||\n" + "user_dlt:data||||\n" +
                "user_dlt:mbrtu:modbus" + rtuAnswer +  // wireless: the frame, its packets
                "eth:ethertype:ip:tcp:mbtcp:modbus" + rtuQuery + "eth:ethertype:ip:tcp:mbtcp:modbus" + rtuAnswer);
}

}  // namespace
}  // namespace kaviro::diag
