// The link's counters and its frame observers, in virtual time against scripted lines.
#include <gtest/gtest.h>

#include <memory>

#include "link/fake_link.h"
#include "link/link_service.h"
#include "link/radio_packet.h"
#include "monitor/poll_worker.h"

namespace kaviro {
namespace {

using testing::Bytes;
using testing::FakeClock;
using testing::ScriptedPort;
using testing::ScriptedSocket;

Bytes Sealed(Bytes body) {
  const RtuFrame f = RtuFrame::Seal(body);
  return {f.Bytes().begin(), f.Bytes().end()};
}

Bytes ReadAnswer(uint8_t unit, int count) {
  Bytes body{unit, fn::kReadInput, static_cast<uint8_t>(2 * count)};
  for (int i = 0; i < count; ++i) PutU16(body, static_cast<uint16_t>(i));
  return Sealed(body);
}

Bytes Packets(const Bytes& plain) {
  Bytes out;
  for (const RadioPacket& p : PackFrame(plain)) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes CrcSpoilt(Bytes b) {
  b.back() ^= 0xA5;
  return b;
}

ExchangePolicy PollPolicy() { return PollBlockPolicy(PollBlocks()[0]); }

struct Counts {
  uint64_t answers, timeouts, crcErrors, wrongAddress, malformed, exceptions;
};

Counts CountsOf(const LinkStatsSnapshot& s) {
  uint64_t exceptions = 0;
  for (const auto& [code, n] : s.exceptions) exceptions += n;
  return {s.answers, s.timeouts, s.crcErrors, s.wrongAddress, s.malformed, exceptions};
}

bool operator==(const Counts& a, const Counts& b) {
  return a.answers == b.answers && a.timeouts == b.timeouts && a.crcErrors == b.crcErrors &&
         a.wrongAddress == b.wrongAddress && a.malformed == b.malformed && a.exceptions == b.exceptions;
}

std::ostream& operator<<(std::ostream& o, const Counts& c) {
  return o << "answers " << c.answers << " timeouts " << c.timeouts << " crc " << c.crcErrors << " address "
           << c.wrongAddress << " malformed " << c.malformed << " exceptions " << c.exceptions;
}

// One block read 1 on the line, answered (or not) by `reply`, counted as `want`.
struct LineCase {
  const char* name;
  LinkMode mode;
  Bytes reply;  // empty: silence
  int expected;
  Counts want;
  const char* lastError;
};

class LineStatsTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineStatsTest, OneExchangeCountsWhatTheLineDid) {
  const LineCase& c = GetParam();
  FakeClock clock;
  ScriptedPort port{clock};
  LinkService link{clock};
  link.UseSerialDevice(&port);
  if (!c.reply.empty()) port.AnswerAfter(35, c.reply);
  link.Exchange(c.mode, ReadRegisters(1, fn::kReadInput, 0, 90), c.expected, PollPolicy());
  const LinkStatsSnapshot s = link.StatsNow();
  EXPECT_EQ(s.requests, 1u);
  EXPECT_EQ(CountsOf(s), c.want);
  EXPECT_EQ(s.lastError, c.lastError);
  EXPECT_EQ(s.bytesOut, c.mode == LinkMode::kWireless ? 16u : 8u);
  EXPECT_EQ(s.bytesIn, c.want.timeouts ? 0u : c.reply.size());
  if (c.want.answers) {
    EXPECT_EQ(s.rttMinUs, 40000u);  // the first check after the answer came, 10 ms apart
    EXPECT_EQ(s.rttMaxUs, 40000u);
  }
  if (!c.want.answers) {
    EXPECT_EQ(s.lastErrorUs, clock.NowMs() * 1000);
  }
}

const Bytes kGood = ReadAnswer(1, 90);
Bytes BadCount() {
  Bytes p = Packets(kGood);
  p.back() = 3;  // the last packet claims 3 of its 5 bytes
  return p;
}

INSTANTIATE_TEST_SUITE_P(
    Verdicts, LineStatsTest,
    ::testing::Values(
        LineCase{"Answer", LinkMode::kSerial, kGood, 185, {1, 0, 0, 0, 0, 0}, ""},
        LineCase{"Silence", LinkMode::kSerial, {}, 185, {0, 1, 0, 0, 0, 0}, "no answer"},
        LineCase{"CrcSpoilt", LinkMode::kSerial, CrcSpoilt(kGood), 185, {0, 0, 1, 0, 0, 0}, "CRC error"},
        LineCase{"OtherUnit", LinkMode::kSerial, ReadAnswer(2, 90), 185, {0, 0, 0, 1, 0, 0},
                 "answer from another address"},
        LineCase{"Exception", LinkMode::kSerial, Sealed({1, 0x84, 0x02}), 5, {1, 0, 0, 0, 0, 1}, "exception answer 2"},
        // claims four data bytes, carries two
        LineCase{"ByteCountWrong", LinkMode::kSerial, Sealed({1, 4, 4, 0, 0}), 7, {0, 0, 0, 0, 1, 0},
                 "malformed answer"},
        LineCase{"WirelessAnswer", LinkMode::kWireless, Packets(kGood), 185, {1, 0, 0, 0, 0, 0}, ""},
        LineCase{"WirelessCrcSpoilt", LinkMode::kWireless, Packets(CrcSpoilt(kGood)), 185, {0, 0, 1, 0, 0, 0},
                 "CRC error"},
        LineCase{"PacketsThatDoNotJoin", LinkMode::kWireless, BadCount(), 185, {0, 0, 0, 0, 1, 0},
                 "malformed answer"}),
    [](const auto& info) { return info.param.name; });

TEST(LinkStats, RoundTripFiguresAndResetOverManyExchanges) {
  FakeClock clock;
  ScriptedPort port{clock};
  LinkService link{clock};
  link.UseSerialDevice(&port);
  const RtuFrame request = ReadRegisters(1, fn::kReadInput, 0, 90);
  // Answers found 10, 20, ... 1000 ms after their request; one silence on top.
  for (int i = 1; i <= 100; ++i) {
    port.AnswerAfter(static_cast<uint64_t>(10 * i - 5), kGood);
    link.Exchange(LinkMode::kSerial, request, 185, PollPolicy());
  }
  link.Exchange(LinkMode::kSerial, request, 185, PollPolicy());
  LinkStatsSnapshot s = link.StatsNow();
  EXPECT_EQ(s.requests, 101u);
  EXPECT_EQ(s.answers, 100u);
  EXPECT_EQ(s.timeouts, 1u);
  EXPECT_EQ(s.roundTrips, 100u);
  EXPECT_EQ(s.rttMinUs, 10000u);
  EXPECT_EQ(s.rttMaxUs, 1000000u);
  EXPECT_EQ(s.rttMeanUs, 505000u);
  EXPECT_EQ(s.rttP95Us, 950000u);
  EXPECT_EQ(s.bytesOut, 101u * 8);
  EXPECT_EQ(s.bytesIn, 100u * 185);
  link.stats().Reset();
  s = link.StatsNow();
  EXPECT_EQ(s.requests, 0u);
  EXPECT_EQ(s.roundTrips, 0u);
  EXPECT_EQ(s.rttP95Us, 0u);
  EXPECT_TRUE(s.lastError.empty());
}

TEST(LinkStats, NetworkFramesOfOtherTransactionsAreCounted) {
  FakeClock clock;
  auto socket = std::make_shared<ScriptedSocket>();
  LinkService link{clock};
  link.SetConnection(socket);
  link.SetConnected(true);
  link.transaction().Reset(7);
  const auto net = [](uint16_t id, const Bytes& rtu) {
    Bytes out = {static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id), 0, 0, 0, static_cast<uint8_t>(rtu.size() - 2)};
    out.insert(out.end(), rtu.begin(), rtu.end() - 2);
    return out;
  };
  socket->Then(net(6, kGood));
  socket->Then(net(7, kGood));
  link.Exchange(LinkMode::kNetwork, ReadRegisters(1, fn::kReadInput, 0, 90), 185, PollPolicy());
  socket->Then(net(3, kGood));  // only a stale answer: nothing for this request
  link.Exchange(LinkMode::kNetwork, ReadRegisters(1, fn::kReadInput, 0, 90), 185, PollPolicy());
  const LinkStatsSnapshot s = link.StatsNow();
  EXPECT_EQ(s.wrongTransaction, 2u);
  EXPECT_EQ(s.answers, 1u);
  EXPECT_EQ(s.timeouts, 1u);
  EXPECT_EQ(s.bytesOut, 24u);
  EXPECT_EQ(s.bytesIn, 189u);
}

// Every frame the engine writes and reads, in order, as the observers see it.
struct Seen {
  FrameDirection direction;
  FrameLayer layer;
  size_t size;
  bool operator==(const Seen&) const = default;
};

class Recorder final : public FrameObserver {
 public:
  void OnFrame(const FrameRecord& f) override { seen.push_back({f.direction, f.layer, f.bytes.size()}); }
  std::vector<Seen> seen;
};

TEST(FrameObservers, SeeEveryFrameOfEachModeInOrder) {
  using D = FrameDirection;
  using L = FrameLayer;
  FakeClock clock;
  ScriptedPort port{clock};
  auto socket = std::make_shared<ScriptedSocket>();
  LinkService link{clock};
  link.UseSerialDevice(&port);
  link.SetConnection(socket);
  link.SetConnected(true);
  Recorder recorder;
  link.AddFrameObserver(&recorder);
  const RtuFrame request = ReadRegisters(1, fn::kReadInput, 0, 90);

  port.AnswerAfter(35, kGood);
  link.Exchange(LinkMode::kSerial, request, 185, PollPolicy());
  EXPECT_EQ(recorder.seen, (std::vector<Seen>{{D::kOut, L::kRtu, 8}, {D::kIn, L::kRtu, 185}}));

  recorder.seen.clear();
  port.AnswerAfter(35, Packets(kGood));
  link.Exchange(LinkMode::kWireless, request, 185, PollPolicy());
  std::vector<Seen> wireless{{D::kOut, L::kRtu, 8}, {D::kOut, L::kRadio, 16}};
  for (int i = 0; i < 13; ++i) wireless.push_back({D::kIn, L::kRadio, 16});
  wireless.push_back({D::kIn, L::kRtu, 185});
  EXPECT_EQ(recorder.seen, wireless);

  recorder.seen.clear();
  socket->Then({0, 0, 0, 0, 0, 3, 1, 0x84, 2});
  link.Exchange(LinkMode::kNetwork, request, 185, PollPolicy());
  link.SendOnly(LinkMode::kNetwork, WriteCoil(1, 2));
  EXPECT_EQ(recorder.seen, (std::vector<Seen>{{D::kOut, L::kModbusTcp, 12}, {D::kIn, L::kModbusTcp, 9},
                                              {D::kOut, L::kModbusTcp, 12}}));

  link.RemoveFrameObserver(&recorder);
  recorder.seen.clear();
  link.SendOnly(LinkMode::kSerial, WriteCoil(1, 2));
  EXPECT_TRUE(recorder.seen.empty());
  EXPECT_EQ(link.StatsNow().sends, 2u);
}

}  // namespace
}  // namespace kaviro
