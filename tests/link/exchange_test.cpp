// The exchange engine's wait rules, one group per rule, run in virtual time against scripted
// lines with the tool's own policies by name.
#include <gtest/gtest.h>

#include <optional>

#include <memory>

#include "link/fake_link.h"
#include "link/link_service.h"
#include "link/radio_packet.h"
#include "monitor/poll_worker.h"
#include "tools/console/wireless_settings.h"
#include "tools/controller/coil_command.h"
#include "tools/controller/controller_info.h"
#include "tools/controller/param_register.h"
#include "tools/log/log_reader.h"
#include "tools/relay/rd_command.h"
#include "tools/relay/threshold_probe.h"

namespace kaviro {
namespace {

using testing::Bytes;
using testing::FakeClock;
using testing::ScriptedPort;
using testing::ScriptedSocket;

// The answer to a read of `count` registers, words 0, 1, 2...
Bytes ReadAnswer(uint8_t unit, uint8_t function, int count) {
  std::vector<uint8_t> body{unit, function, static_cast<uint8_t>(2 * count)};
  for (int i = 0; i < count; ++i) PutU16(body, static_cast<uint16_t>(i));
  const RtuFrame f = RtuFrame::Seal(body);
  return {f.Bytes().begin(), f.Bytes().end()};
}

Bytes Packets(const Bytes& plain) {
  Bytes out;
  for (const RadioPacket& p : PackFrame(plain)) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Slice(const Bytes& b, size_t from, size_t to) { return {b.begin() + from, b.begin() + to}; }

// The poll's first block: until its 185 bytes wait, 200 checks of 10 ms.
ExchangePolicy PollPolicy() { return PollBlockPolicy(PollBlocks()[0]); }

class SerialExchangeTest : public ::testing::Test {
 protected:
  SerialExchangeTest() { link.UseSerialDevice(&port); }
  FakeClock clock;
  ScriptedPort port{clock};
  LinkService link{clock};
  const RtuFrame block1 = ReadRegisters(1, fn::kReadInput, 0, 90);
};

// --- wait::UntilBytes -------------------------------------------------------------------------

TEST_F(SerialExchangeTest, PollReadStopsAtTheFirstCheckWithTheWholeAnswer) {
  const Bytes answer = ReadAnswer(1, 4, 90);
  port.AnswerAfter(35, answer);
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, block1, 185, PollPolicy());
  EXPECT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(clock.NowMs(), 40u);
  EXPECT_EQ(link.receive().count, 185);
  EXPECT_EQ(link.receive().bytes[2], 180);
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0], Bytes(block1.Bytes().begin(), block1.Bytes().end()));
  EXPECT_EQ(port.purges(), 1);
}

TEST_F(SerialExchangeTest, AnswerInPiecesIsReadOnceItIsWhole) {
  const Bytes answer = ReadAnswer(1, 4, 90);
  port.AnswerAfter(20, Slice(answer, 0, 100));
  port.AnswerAfter(65, Slice(answer, 100, 185));
  EXPECT_EQ(link.Exchange(LinkMode::kSerial, block1, 185, PollPolicy()).outcome, Outcome::kAnswered);
  EXPECT_EQ(clock.NowMs(), 70u);
}

TEST_F(SerialExchangeTest, SilenceUsesEveryCheck) {
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, block1, 185, PollPolicy());
  EXPECT_EQ(r.outcome, Outcome::kTimedOut);
  EXPECT_EQ(clock.NowMs(), 2000u);
  EXPECT_EQ(clock.sleeps(), 200);
}

TEST_F(SerialExchangeTest, RejectedAnswers) {
  Bytes badCrc = ReadAnswer(1, 4, 90);
  badCrc[184] ^= 0xFF;
  const struct { const char* what; Bytes answer; } cases[] = {
      {"bad CRC", badCrc},
      {"other device", ReadAnswer(2, 4, 90)},
  };
  for (const auto& c : cases) {
    port.AnswerAfter(10, c.answer);
    EXPECT_EQ(link.Exchange(LinkMode::kSerial, block1, 185, PollPolicy()).outcome, Outcome::kRejected) << c.what;
  }
}

TEST_F(SerialExchangeTest, ClosedPortSendsNothing) {
  port.SetOpen(false);
  EXPECT_EQ(link.Exchange(LinkMode::kSerial, block1, 185, PollPolicy()).outcome, Outcome::kNotOpen);
  EXPECT_TRUE(port.writes().empty());
}

TEST_F(SerialExchangeTest, WirelessSendsOnePacketAndJoinsTheAnswer) {
  const Bytes answer = ReadAnswer(1, 4, 90);
  port.AnswerAfter(30, Packets(answer));
  const ExchangeResult r = link.Exchange(LinkMode::kWireless, block1, 185, PollPolicy());
  ASSERT_EQ(r.outcome, Outcome::kAnswered) << r.message;
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0].size(), 16u);
  EXPECT_EQ(port.writes()[0][15], 8);
  EXPECT_EQ(r.raw.size(), 208u);
  EXPECT_EQ(link.receive().count, 185);
  EXPECT_TRUE(std::equal(answer.begin(), answer.end(), link.receive().bytes.begin()));
}

TEST_F(SerialExchangeTest, WirelessPacketErrorsCarryTheirText) {
  Bytes stream = Packets(ReadAnswer(1, 4, 90));
  stream.back() = 0;
  port.AnswerAfter(10, stream);
  const ExchangeResult r = link.Exchange(LinkMode::kWireless, block1, 185, PollPolicy());
  EXPECT_EQ(r.outcome, Outcome::kUnpackError);
  EXPECT_EQ(r.message, "最后1包数据长度不正确=0,应该在1~15");
}

// --- wait::Gather --------------------------------------------------------------------------------

TEST_F(SerialExchangeTest, CollectUntilIdleTakesEveryPiece) {
  const RtuFrame request = ReadDeviceIdentification(1, 3, 0);
  port.AnswerAfter(100, Bytes(500, 0x11));
  port.AnswerAfter(320, Bytes(300, 0x22));
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, request, 0, LogReadPolicy());
  EXPECT_EQ(r.outcome, Outcome::kIdle);
  EXPECT_EQ(r.answer.size(), 800u);
  // The last piece lands at the check at 350 ms; 41 empty checks of 50 ms follow.
  EXPECT_EQ(clock.NowMs(), 350u + 41 * 50);
}

TEST_F(SerialExchangeTest, CollectionIsBoundedButStillEnds) {
  ExchangePolicy p = LogReadPolicy();
  std::get<wait::Gather>(p.line).capacity = 1000;
  port.AnswerAfter(50, Bytes(5000, 0x33));
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, ReadDeviceIdentification(1, 3, 0), 0, p);
  EXPECT_EQ(r.outcome, Outcome::kIdle);
  EXPECT_EQ(r.answer.size(), 1000u);
  EXPECT_EQ(link.receive().Stored().size(), ReceiveBuffer::kSize);
}

// --- wait::AllChecks ----------------------------------------------------------------------------

TEST_F(SerialExchangeTest, RunAllChecksKeepsATally) {
  const ExchangePolicy p = ParamReadPolicy();
  port.AnswerAfter(50, ReadAnswer(1, 4, 1));
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, ReadRegisters(1, 4, 0x28, 1), 7, p);
  EXPECT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(clock.NowMs(), 500u);
  EXPECT_EQ(r.tally, 7);
}

// --- wait::UntilJudged ---------------------------------------------------------------------------

TEST_F(SerialExchangeTest, JudgedReadsGoOnAfterAWrongEcho) {
  const RtuFrame coil = WriteCoil(1, 0x14);
  const Bytes echo(coil.Bytes().begin(), coil.Bytes().end());
  Bytes wrong = echo;
  wrong[3] = 0x15;
  const ExchangePolicy p = CoilEchoPolicy(coil);
  port.AnswerAfter(10, wrong);
  port.AnswerAfter(40, echo);
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, coil, 8, p);
  EXPECT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(r.rejectedReads, 1);
  EXPECT_EQ(clock.NowMs(), 40u);
}

TEST_F(SerialExchangeTest, NotEnoughBytesAreNeverRead) {
  port.AnswerAfter(10, Bytes(7, 1));
  EXPECT_EQ(link.Exchange(LinkMode::kSerial, WriteCoil(1, 0), 8, CoilEchoPolicy(WriteCoil(1, 0))).outcome, Outcome::kTimedOut);
  EXPECT_EQ(port.Queued(), 7);
}

TEST_F(SerialExchangeTest, FirstQuietCheckAfterAWholeAnswerEndsTheWait) {
  const ExchangePolicy p = InfoRegisterPolicy();
  const Bytes answer = ReadAnswer(1, 3, 1);
  port.AnswerAfter(50, Slice(answer, 0, 3));
  port.AnswerAfter(250, Slice(answer, 3, 7));  // a quiet check between the pieces does not end it
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, ReadRegisters(1, 3, 0x30, 1), 7, p);
  EXPECT_EQ(r.outcome, Outcome::kIdle);
  EXPECT_EQ(r.answer.size(), 7u);
  EXPECT_EQ(clock.NowMs(), 400u);

  port.AnswerAfter(450, answer);  // whole only at the last check: no quiet check follows
  EXPECT_EQ(link.Exchange(LinkMode::kSerial, ReadRegisters(1, 3, 0x30, 1), 7, p).outcome, Outcome::kTimedOut);
}

TEST_F(SerialExchangeTest, StopConditionCancelsTheWait) {
  int checks = 0;
  const ExchangeResult r =
      link.Exchange(LinkMode::kSerial, block1, 185, PollPolicy(), [&] { return ++checks > 3; });
  EXPECT_EQ(r.outcome, Outcome::kCancelled);
  EXPECT_EQ(clock.NowMs(), 30u);
}

// A fixed-size block out; whatever comes is collected until the first quiet check after it, and
// an answer still arriving when the checks run out is not taken.
ExchangePolicy BlockPolicy() { return ProbePolicy(); }

TEST_F(SerialExchangeTest, BlockGoesOutZeroFilledAndTheAnswerEndsAtTheFirstQuietCheck) {
  const RtuFrame request = ReadRegisters(1, fn::kReadHolding, 0x2033, 2);
  port.AnswerAfter(150, Bytes(9, 0x55));
  port.AnswerAfter(250, Bytes(7, 0x00));
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, request, 16, BlockPolicy());
  ASSERT_EQ(port.writes().size(), 1u);
  Bytes block(request.Bytes().begin(), request.Bytes().end());
  block.resize(16, 0);
  EXPECT_EQ(port.writes()[0], block);
  EXPECT_EQ(r.outcome, Outcome::kIdle);
  EXPECT_EQ(r.answer.size(), 16u);
  EXPECT_EQ(clock.NowMs(), 400u);
}

TEST_F(SerialExchangeTest, BlockAnswerStillArrivingAtTheLastCheckIsNotTaken) {
  for (uint64_t at = 150; at <= 1000; at += 100) port.AnswerAfter(at, Bytes(2, 0x55));
  EXPECT_EQ(link.Exchange(LinkMode::kSerial, ReadRegisters(1, 3, 0x2033, 2), 16, BlockPolicy()).outcome,
            Outcome::kTimedOut);
  EXPECT_EQ(clock.NowMs(), 1000u);

  // A flood is drained but never kept beyond the area.
  port.AnswerAfter(50, Bytes(600, 0x66));
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, ReadRegisters(1, 3, 0x2033, 2), 16, BlockPolicy());
  EXPECT_EQ(r.outcome, Outcome::kIdle);
  EXPECT_EQ(r.answer.size(), 256u);
  EXPECT_EQ(port.Queued(), 0);
}

TEST_F(SerialExchangeTest, SendOnlyCutsLongWirelessFrames) {
  const Bytes data(18, 0x01);
  const RtuFrame frame = WriteRegisters(1, 0x3040, data);  // 27 bytes
  EXPECT_EQ(link.SendOnly(LinkMode::kWireless, frame), Outcome::kAnswered);
  ASSERT_EQ(port.writes().size(), 2u);
  EXPECT_EQ(port.writes()[0][15], 15);
  EXPECT_EQ(port.writes()[1][15], 12);
  EXPECT_EQ(clock.NowMs(), 100u);
}

class NetworkExchangeTest : public ::testing::Test {
 protected:
  NetworkExchangeTest() {
    link.SetConnection(socket);
    link.SetConnected(true);
    link.transaction().Reset(0x0102);
  }
  Bytes NetAnswer(uint16_t id, const Bytes& rtu) {
    Bytes out = {static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id), 0, 0, 0,
                 static_cast<uint8_t>(rtu.size() - 2)};
    out.insert(out.end(), rtu.begin(), rtu.end() - 2);
    return out;
  }
  FakeClock clock;
  std::shared_ptr<ScriptedSocket> socket = std::make_shared<ScriptedSocket>();
  LinkService link{clock};
  const RtuFrame block1 = ReadRegisters(1, fn::kReadInput, 0, 90);
};

TEST_F(NetworkExchangeTest, PollReadTakesOnlyTheCurrentTransaction) {
  socket->ThenCode(NetSocket::kWouldBlock, 2);
  socket->Then(NetAnswer(0x0101, ReadAnswer(1, 4, 90)));  // the previous request's answer
  socket->Then(NetAnswer(0x0102, ReadAnswer(1, 4, 90)));
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, block1, 185, PollPolicy());
  ASSERT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(socket->sent()[0], (Bytes{0x01, 0x02, 0, 0, 0, 6, 1, 4, 0, 0, 0, 0x5A}));
  EXPECT_EQ(link.receive().count, 185);
  EXPECT_EQ(clock.NowMs(), 40u);
  EXPECT_EQ(link.transaction().Current(), 0x0103);
  EXPECT_FALSE(link.inbox().Arrived());
}

TEST_F(NetworkExchangeTest, NoAnswerStillAdvancesTheTransaction) {
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, block1, 185, PollPolicy());
  EXPECT_EQ(r.outcome, Outcome::kTimedOut);
  EXPECT_EQ(socket->receives(), 50);
  EXPECT_EQ(link.transaction().Current(), 0x0103);
}

TEST_F(NetworkExchangeTest, FailuresBeforeTheWaitKeepTheTransaction) {
  socket->LimitSend(11);
  EXPECT_EQ(link.Exchange(LinkMode::kNetwork, block1, 185, PollPolicy()).outcome, Outcome::kSendFailed);
  EXPECT_EQ(link.transaction().Current(), 0x0102);

  link.SetConnected(false);
  EXPECT_EQ(link.Exchange(LinkMode::kNetwork, block1, 185, PollPolicy()).outcome, Outcome::kNotConnected);
}

TEST_F(NetworkExchangeTest, ReceiveErrorsEndTheWaitOnlyWhenThePolicySays) {
  ExchangePolicy p = PollPolicy();
  socket->ThenCode(0);
  socket->Then(NetAnswer(0x0102, ReadAnswer(1, 4, 90)));
  EXPECT_EQ(link.Exchange(LinkMode::kNetwork, block1, 185, p).outcome, Outcome::kAnswered);

  p = ParamReadPolicy();
  link.transaction().Reset(0x0102);
  socket->ThenCode(NetSocket::kWouldBlock);
  socket->ThenCode(0);
  EXPECT_EQ(link.Exchange(LinkMode::kNetwork, block1, 185, p).outcome, Outcome::kReceiveError);
}

// TCP is a stream: an answer may come in any number of receives, the header itself cut anywhere.
struct Pieces {
  const char* name;
  std::vector<size_t> cuts;  // where the answer is cut
  int gapTries;              // receives with nothing between two pieces
};
void PrintTo(const Pieces& p, std::ostream* os) { *os << p.name; }

class NetworkPiecesTest : public NetworkExchangeTest, public ::testing::WithParamInterface<Pieces> {};

TEST_P(NetworkPiecesTest, AnswerIsTakenOnceTheAnnouncedBytesAreIn) {
  const Pieces& p = GetParam();
  const Bytes whole = NetAnswer(0x0102, ReadAnswer(1, 4, 90));
  size_t from = 0;
  for (size_t cut : p.cuts) {
    socket->Then(Slice(whole, from, cut));
    socket->ThenCode(NetSocket::kWouldBlock, p.gapTries);
    from = cut;
  }
  socket->Then(Slice(whole, from, whole.size()));
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, block1, 185, PollPolicy());
  ASSERT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(Bytes(r.raw.begin(), r.raw.end()), whole);
  EXPECT_EQ(link.receive().count, 185);
  EXPECT_EQ(Bytes(r.answer.begin(), r.answer.end()), Slice(ReadAnswer(1, 4, 90), 0, 183));
  const size_t receives = p.cuts.size() * (1 + static_cast<size_t>(p.gapTries)) + 1;
  EXPECT_EQ(clock.NowMs(), 10 * receives) << "ends at the receive that completes it";
  EXPECT_EQ(link.transaction().Current(), 0x0103);
}

INSTANTIATE_TEST_SUITE_P(Split, NetworkPiecesTest,
                         ::testing::Values(Pieces{"HeaderThenBody", {6}, 0}, Pieces{"InsideTheId", {1}, 2},
                                           Pieces{"InsideTheLength", {5, 9}, 1}, Pieces{"FourPieces", {3, 60, 61}, 3},
                                           Pieces{"AllButTheLastByte", {188}, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetworkExchangeTest, HalfAnAnswerThenSilenceIsRefusedAtTheEndOfTheWait) {
  Bytes answer = NetAnswer(0x0102, ReadAnswer(1, 4, 90));
  answer.resize(50);
  socket->Then(answer);
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, block1, 185, PollPolicy());
  EXPECT_EQ(r.outcome, Outcome::kBadLength);
  EXPECT_EQ(r.raw.size(), 50u);
  EXPECT_EQ(clock.NowMs(), 500u) << "the rest may still come within the wait";
  // The rest arriving late is not taken for the next request's answer.
  socket->Then(Slice(NetAnswer(0x0102, ReadAnswer(1, 4, 90)), 50, 189));
  EXPECT_EQ(link.Exchange(LinkMode::kNetwork, block1, 185, PollPolicy()).outcome, Outcome::kTimedOut);
}

TEST_F(NetworkExchangeTest, ASecondAnswerBehindTheFirstWaitsForTheNextMatch) {
  const Bytes first = NetAnswer(0x0102, ReadAnswer(1, 4, 90));
  const Bytes second = NetAnswer(0x0103, ReadAnswer(1, 3, 27));
  Bytes both = first;
  both.insert(both.end(), second.begin(), second.end());
  socket->Then(both);
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, block1, 185, PollPolicy());
  ASSERT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(Bytes(r.raw.begin(), r.raw.end()), first);
  EXPECT_EQ(link.receive().count, 185);

  const ExchangeResult next =
      link.Exchange(LinkMode::kNetwork, ReadRegisters(1, fn::kReadHolding, 0xE000, 27), 59, PollPolicy());
  ASSERT_EQ(next.outcome, Outcome::kAnswered);
  EXPECT_EQ(Bytes(next.raw.begin(), next.raw.end()), second);
  EXPECT_EQ(link.receive().count, 59);
}

TEST_F(NetworkExchangeTest, AnOversizeLengthFieldIsRefusedAtOnce) {
  Bytes answer = NetAnswer(0x0102, ReadAnswer(1, 4, 90));
  answer[4] = 0xFF;
  answer[5] = 0xFF;
  socket->Then(answer);
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, block1, 185, PollPolicy());
  EXPECT_EQ(r.outcome, Outcome::kBadLength);
  EXPECT_EQ(clock.NowMs(), 10u);
}

// The socket's read notifications receive into the same inbox the poll's wait looks at.
TEST_F(NetworkExchangeTest, NotificationReceivesGatherTheAnswerToo) {
  NetInbox& inbox = link.inbox();
  ScriptedSocket notified;
  const Bytes whole = NetAnswer(0x0102, ReadAnswer(1, 4, 90));
  const Bytes next = NetAnswer(0x0103, ReadAnswer(1, 3, 27));
  Bytes tail = Slice(whole, 100, whole.size());
  tail.insert(tail.end(), next.begin(), next.end());
  notified.Then(NetAnswer(0x0101, ReadAnswer(1, 4, 90)));  // another id: dropped
  notified.Then(Slice(whole, 0, 4));
  notified.Then(Slice(whole, 4, 100));
  notified.Then(tail);
  for (int i = 0; i < 3; ++i) {
    inbox.ReceiveFrom(notified, 0x0102);
    EXPECT_FALSE(inbox.Arrived()) << i;
  }
  inbox.ReceiveFrom(notified, 0x0102);
  ASSERT_TRUE(inbox.Arrived());
  EXPECT_EQ(inbox.Answer(), whole);
  inbox.Reset();
  EXPECT_EQ(inbox.ReceiveFrom(notified, 0x0103), NetSocket::kWouldBlock);
  ASSERT_TRUE(inbox.Arrived());
  EXPECT_EQ(inbox.Answer(), next);
}

// What the inbox makes of the stream in front of the awaited answer (id 0x0102), receive by receive.
TEST_F(NetworkExchangeTest, InboxStepsOverOtherFramesAndTheRestOfAnOversizeAnswer) {
  const Bytes ours = NetAnswer(0x0102, ReadAnswer(1, 3, 27));
  const Bytes late = NetAnswer(0x0101, ReadAnswer(1, 4, 90));
  Bytes noFrame = late;
  noFrame[2] = 0x12;  // no protocol in use
  const Bytes next = NetAnswer(0x0103, ReadAnswer(1, 3, 27));
  Bytes oversize = NetAnswer(0x0102, ReadAnswer(1, 4, 90));
  oversize.resize(1100);
  oversize[4] = static_cast<uint8_t>((1100 - 6) >> 8);
  oversize[5] = static_cast<uint8_t>(1100 - 6);
  const auto cat = [](Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  struct Case {
    const char* name;
    std::vector<Bytes> receives;
    uint16_t lastAwaited;  // the id awaited from the second receive on (an answer taken is reset)
    std::optional<Bytes> found;
  };
  const Case cases[] = {
      {"LateAnswerRightInFront", {cat(late, ours)}, 0x0102, ours},
      {"LateAnswerCutInItsHeader", {Slice(late, 0, 4), cat(Slice(late, 4, late.size()), ours)}, 0x0102, ours},
      {"LateAnswerCutInItsBody", {Slice(late, 0, 50), cat(Slice(late, 50, late.size()), ours)}, 0x0102, ours},
      // Taken cut at the buffer's size; what is still coming of it is no start of the next answer.
      {"RestOfAnOversizeAnswer", {Slice(oversize, 0, 1024), cat(Slice(oversize, 1024, oversize.size()), next)},
       0x0103, next},
      {"BytesThatAreNoFrame", {cat(noFrame, ours)}, 0x0102, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NetInbox& inbox = link.inbox();
    inbox.Clear();
    ScriptedSocket stream;
    for (const Bytes& piece : c.receives) stream.Then(piece);
    for (size_t i = 0; i < c.receives.size(); ++i) {
      if (inbox.Arrived()) inbox.Reset();
      inbox.ReceiveFrom(stream, i == 0 ? 0x0102 : c.lastAwaited);
    }
    ASSERT_EQ(inbox.Arrived(), c.found.has_value());
    if (c.found) {
      EXPECT_EQ(inbox.Answer(), *c.found);
    }
  }
}

// A poll wait ended by the pause: its answer, arriving during the dialog's request, is not taken.
TEST_F(NetworkExchangeTest, AbandonedWaitLeavesItsLateAnswerUnmatched) {
  {
    link.transaction().Reset(0x0102);
    ExchangePolicy p = PollPolicy();
    int tries = 0;
    EXPECT_EQ(link.Exchange(LinkMode::kNetwork, block1, 185, p, [&] { return ++tries > 3; }).outcome,
              Outcome::kCancelled);
    EXPECT_EQ(link.transaction().Current(), 0x0103);

    socket->Then(NetAnswer(0x0102, ReadAnswer(1, 4, 90)));  // late
    socket->Then(NetAnswer(0x0103, ReadAnswer(1, 3, 4)));
    const ExchangeResult r = link.Exchange(LinkMode::kNetwork, ReadRegisters(1, fn::kReadHolding, 0x40, 4), 13, p);
    ASSERT_EQ(r.outcome, Outcome::kAnswered);
    EXPECT_EQ(link.receive().count, 13);
  }
}

TEST_F(NetworkExchangeTest, ByteCountRuleAppliesWithoutCrc) {
  Bytes answer = NetAnswer(0x0102, ReadAnswer(1, 4, 90));
  answer[8] = 0x10;  // byte count no longer matches the length field
  socket->Then(answer);
  EXPECT_EQ(link.Exchange(LinkMode::kNetwork, block1, 185, PollPolicy()).outcome, Outcome::kRejected);
}

TEST_F(NetworkExchangeTest, CollectModeGathersEveryChunkUntilQuiet) {
  const Bytes header = {0x01, 0x02, 0, 0, 0x00, 0x0C};
  socket->Then(header);
  socket->Then(Bytes(12, 0x44));
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, ReadDeviceIdentification(1, 3, 0), 0, LogReadPolicy());
  EXPECT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(r.answer.size(), 12u);
  EXPECT_EQ(clock.NowMs(), 20u + 21 * 10);
  EXPECT_EQ(link.transaction().Current(), 0x0103);
}

// --- wait::CollectUntilQuiet ---------------------------------------------------------------------

// A late answer of an earlier request in front of the collected answer is stepped over; bytes that
// are no frame are not, so the answer's own checks see them.
TEST_F(NetworkExchangeTest, CollectStepsOverAnotherTransactionsFrameInFront) {
  const Bytes late = NetAnswer(0x0101, ReadAnswer(1, 4, 2));
  const Bytes ours = {0x01, 0x02, 0, 0, 0x00, 0x0C, 1, 0x2B, 0x0E, 3, 0, 0, 0, 0, 0xFF, 0xFE, 0xFD, 0xFC};
  Bytes both = late;
  both.insert(both.end(), ours.begin(), ours.end());
  socket->Then(both);
  ExchangeResult r = link.Exchange(LinkMode::kNetwork, ReadDeviceIdentification(1, 3, 0), 0, LogReadPolicy());
  ASSERT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(Bytes(r.answer.begin(), r.answer.end()), Slice(ours, 6, ours.size()));

  socket->Then(late);  // nothing but another transaction's answer
  EXPECT_EQ(link.Exchange(LinkMode::kNetwork, ReadDeviceIdentification(1, 3, 0), 0, LogReadPolicy()).outcome,
            Outcome::kGaveUp);

  Bytes garbage(7, 0x55);
  garbage.insert(garbage.end(), ours.begin(), ours.end());
  socket->Then(garbage);
  r = link.Exchange(LinkMode::kNetwork, ReadDeviceIdentification(1, 3, 0), 0, LogReadPolicy());
  ASSERT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(r.answer[0], 0x55);
}

// --- wait::MatchTransaction -----------------------------------------------------------------------

// Every request that went out moves the id on, answered or not, so that its late answer can never
// be taken for the next request's: a timed-out RD request, an answered write, a receive error.
TEST_F(NetworkExchangeTest, EveryRequestSentAdvancesTheId) {
  ExchangePolicy p = RdExchangePolicy();
  link.Exchange(LinkMode::kNetwork, ReadRegisters(0x36, 3, 0x20, 4), 13, p);
  EXPECT_EQ(socket->sent()[0][2], 0x01);
  EXPECT_EQ(socket->sent()[0][3], 0x01);
  EXPECT_EQ(link.transaction().Current(), 0x0103);

  p = ModbusAddressWritePolicy();
  socket->Then(NetAnswer(0x0103, ReadAnswer(1, 6, 1)));
  link.Exchange(LinkMode::kNetwork, WriteRegister(1, 0x40, 5), 8, p);
  EXPECT_EQ(link.transaction().Current(), 0x0104);

  p = ParamWritePolicy(WriteRegister(1, 0x40, 5), LinkMode::kNetwork);
  socket->ThenCode(0);
  EXPECT_EQ(link.Exchange(LinkMode::kNetwork, WriteRegister(1, 0x40, 5), 8, p).outcome, Outcome::kReceiveError);
  EXPECT_EQ(link.transaction().Current(), 0x0105);

  // A request that never left keeps the id for the next one.
  socket->LimitSend(3);
  EXPECT_EQ(link.Exchange(LinkMode::kNetwork, WriteRegister(1, 0x40, 5), 8, p).outcome, Outcome::kSendFailed);
  EXPECT_EQ(link.transaction().Current(), 0x0105);
}

// A write whose echo comes after its wait: the next read carries the next id, and the late echo
// (old id) is stepped over instead of being decoded as the read's answer.
TEST_F(NetworkExchangeTest, LateEchoIsNotTheNextReadsAnswer) {
  const ExchangePolicy p = ParamReadPolicy();
  const RtuFrame write = WriteRegister(1, 0xE00E, 0x0514);
  EXPECT_EQ(link.Exchange(LinkMode::kNetwork, write, 8, p).outcome, Outcome::kTimedOut);
  Bytes echo = NetAnswer(0x0102, Bytes(write.Bytes().begin(), write.Bytes().end()));
  socket->Then(echo);
  socket->Then(NetAnswer(0x0103, ReadAnswer(1, 4, 1)));
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, ReadRegisters(1, fn::kReadInput, 0xE003, 1), 7, p);
  ASSERT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(r.answer[1], fn::kReadInput);
}

}  // namespace
}  // namespace kaviro
