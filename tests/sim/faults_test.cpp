#include <gtest/gtest.h>

#include <atomic>

#include "link/crc16.h"
#include "link/rtu_frame.h"
#include "sim/fault_injector.h"
#include "sim/output_queue.h"

namespace kaviro::sim {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Sealed(const Bytes& body) {
  const RtuFrame f = RtuFrame::Seal(body);
  return Bytes(f.Bytes().begin(), f.Bytes().end());
}

const Bytes kRtuAnswer = Sealed(Bytes{1, 0x03, 0x04, 0x04, 0xB0, 0x04, 0xE2});
// Transaction 0x1234, protocol 0, length 5, unit 1, the PDU.
const Bytes kNetAnswer{0x12, 0x34, 0x00, 0x00, 0x00, 0x05, 1, 0x03, 0x02, 0x04, 0xB0};

TEST(FaultInjector, WithoutFaultsTheAnswerGoesOutWholeAndAtOnce) {
  FaultInjector faults({}, 1);
  EXPECT_EQ(faults.Spoil(kRtuAnswer, AnswerForm::kRtu), kRtuAnswer);
  const auto pieces = faults.Schedule(kRtuAnswer);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].bytes, kRtuAnswer);
  EXPECT_EQ(pieces[0].afterMs, 0);
}

TEST(FaultInjector, EachFaultSpoilsWhatItNames) {
  FaultSettings silent;
  silent.silent = true;
  EXPECT_FALSE(FaultInjector(silent, 1).Spoil(kRtuAnswer, AnswerForm::kRtu));
  FaultSettings drop;
  drop.drop = 1;
  EXPECT_FALSE(FaultInjector(drop, 1).Spoil(kRtuAnswer, AnswerForm::kRtu));

  FaultSettings crc;
  crc.corruptCrc = 1;
  const auto badCrc = FaultInjector(crc, 1).Spoil(kRtuAnswer, AnswerForm::kRtu);
  ASSERT_TRUE(badCrc);
  EXPECT_FALSE(HasValidCrc(*badCrc));
  EXPECT_EQ(Bytes(badCrc->begin(), badCrc->end() - 1), Bytes(kRtuAnswer.begin(), kRtuAnswer.end() - 1));
  EXPECT_EQ(FaultInjector(crc, 1).Spoil(kNetAnswer, AnswerForm::kNetwork), kNetAnswer) << "no CRC travels on TCP";

  FaultSettings id;
  id.wrongId = 1;
  const auto otherUnit = FaultInjector(id, 1).Spoil(kRtuAnswer, AnswerForm::kRtu);
  ASSERT_TRUE(otherUnit);
  EXPECT_NE((*otherUnit)[0], 1);
  EXPECT_NE((*otherUnit)[0], 0);
  EXPECT_TRUE(HasValidCrc(*otherUnit)) << "only the address is wrong";
  EXPECT_NE(FaultInjector(id, 1).Spoil(kNetAnswer, AnswerForm::kNetwork).value()[6], 1);

  FaultSettings tid;
  tid.wrongTid = 1;
  const auto otherTid = FaultInjector(tid, 1).Spoil(kNetAnswer, AnswerForm::kNetwork);
  ASSERT_TRUE(otherTid);
  EXPECT_NE(Bytes(otherTid->begin(), otherTid->begin() + 2), (Bytes{0x12, 0x34}));
  EXPECT_EQ(Bytes(otherTid->begin() + 2, otherTid->end()), Bytes(kNetAnswer.begin() + 2, kNetAnswer.end()));

  FaultSettings garbage;
  garbage.garbage = 1;
  const auto noise = FaultInjector(garbage, 1).Spoil(kRtuAnswer, AnswerForm::kRtu);
  ASSERT_TRUE(noise);
  EXPECT_EQ(noise->size(), kRtuAnswer.size());
  EXPECT_NE(*noise, kRtuAnswer);
}

// One row per shape fault: what the RTU and the network answer look like on the wire.
struct ShapeCase {
  const char* name;
  FaultSettings settings;
  Bytes rtu;  // kRtuAnswer spoilt
  Bytes net;  // kNetAnswer spoilt
};

const ShapeCase kShapes[] = {
    {"Exception", {.exception = 1}, Sealed(Bytes{1, 0x83, 0x04}),
     Bytes{0x12, 0x34, 0x00, 0x00, 0x00, 0x03, 1, 0x83, 0x04}},
    {"Half", {.half = true}, Bytes(kRtuAnswer.begin(), kRtuAnswer.begin() + 4), Bytes(kNetAnswer.begin(), kNetAnswer.begin() + 5)},
    {"HalfClose", {.halfClose = true}, Bytes(kRtuAnswer.begin(), kRtuAnswer.begin() + 4),
     Bytes(kNetAnswer.begin(), kNetAnswer.begin() + 5)},
};

TEST(FaultInjector, ShapeFaultsGiveTheirFrames) {
  for (const ShapeCase& c : kShapes) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FaultInjector(c.settings, 1).Spoil(kRtuAnswer, AnswerForm::kRtu), c.rtu);
    EXPECT_EQ(FaultInjector(c.settings, 1).Spoil(kNetAnswer, AnswerForm::kNetwork), c.net);
  }
}

TEST(FaultInjector, OversizeAnswersStayWellFormedButOutgrowEveryBuffer) {
  FaultSettings big;
  big.oversize = 1;
  const Bytes rtu = FaultInjector(big, 1).Spoil(kRtuAnswer, AnswerForm::kRtu).value();
  EXPECT_EQ(rtu.size(), kOversizeBytes);
  EXPECT_TRUE(HasValidCrc(rtu));
  EXPECT_EQ(Bytes(rtu.begin(), rtu.begin() + 7), Bytes(kRtuAnswer.begin(), kRtuAnswer.end() - 2));
  const Bytes net = FaultInjector(big, 1).Spoil(kNetAnswer, AnswerForm::kNetwork).value();
  EXPECT_EQ(net.size(), kOversizeBytes);
  EXPECT_EQ(Bytes(net.begin(), net.begin() + 6), (Bytes{0x12, 0x34, 0x00, 0x00, 0x04, 0x46})) << "length 1094";
}

TEST(FaultInjector, NoiseWrapsTheAnswerUntouched) {
  FaultSettings noisy;
  noisy.leading = 3;
  noisy.trailing = 5;
  const Bytes wire = FaultInjector(noisy, 1).Spoil(kRtuAnswer, AnswerForm::kRtu).value();
  ASSERT_EQ(wire.size(), kRtuAnswer.size() + 8);
  EXPECT_EQ(Bytes(wire.begin() + 3, wire.end() - 5), kRtuAnswer);
}

TEST(FaultInjector, FaultsStopAfterTheirAnswers) {
  FaultSettings late;
  late.silent = true;
  late.echo = true;
  late.halfClose = true;
  late.delayMs = 900;
  late.faultAnswers = 2;
  FaultInjector faults(late, 1);
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(faults.Spoil(kRtuAnswer, AnswerForm::kRtu));
    EXPECT_TRUE(faults.Echoes() && faults.Closes());
    EXPECT_EQ(faults.Schedule(kRtuAnswer).front().afterMs, 900);
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(faults.Spoil(kRtuAnswer, AnswerForm::kRtu), kRtuAnswer);
    EXPECT_FALSE(faults.Echoes() || faults.Closes());
    const auto pieces = faults.Schedule(kRtuAnswer);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].afterMs, 0);
  }
}

TEST(FaultInjector, SilentAfterItsAnswersUntilTheSwitchIsTurned) {
  FaultSettings s;
  s.silentAfter = 2;
  std::atomic<bool> toggle{false};
  FaultInjector faults(s, 1);
  faults.SilenceWith(&toggle);
  const auto answered = [&] { return faults.Spoil(kRtuAnswer, AnswerForm::kRtu).has_value(); };
  EXPECT_TRUE(answered());
  EXPECT_TRUE(answered());
  EXPECT_FALSE(answered());
  EXPECT_FALSE(answered());
  toggle = true;  // SIGUSR1: awake again, and it stays so
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(answered());
  toggle = false;  // the next one silences as ever
  EXPECT_FALSE(answered());
  toggle = true;
  EXPECT_TRUE(answered());
}

TEST(FaultInjector, SilentAfterWithoutTheSwitchStaysSilent) {
  FaultSettings s;
  s.silentAfter = 1;
  FaultInjector faults(s, 1);
  EXPECT_TRUE(faults.Spoil(kRtuAnswer, AnswerForm::kRtu));
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(faults.Spoil(kRtuAnswer, AnswerForm::kRtu));
}

TEST(FaultInjector, ProbabilitiesDrawPerAnswerAndRepeatWithTheSeed) {
  FaultSettings half;
  half.drop = 0.5;
  FaultInjector a(half, 42), b(half, 42);
  int dropped = 0;
  for (int i = 0; i < 400; ++i) {
    const bool gone = !a.Spoil(kRtuAnswer, AnswerForm::kRtu);
    EXPECT_EQ(gone, !b.Spoil(kRtuAnswer, AnswerForm::kRtu));
    dropped += gone;
  }
  EXPECT_GT(dropped, 120);
  EXPECT_LT(dropped, 280);
}

TEST(FaultInjector, SplitAnswersComeInPiecesThatJoinUp) {
  FaultSettings split;
  split.split = true;
  split.delayMs = 30;
  FaultInjector faults(split, 3);
  for (int i = 0; i < 20; ++i) {
    const auto pieces = faults.Schedule(kRtuAnswer);
    ASSERT_GE(pieces.size(), 2u);
    ASSERT_LE(pieces.size(), 4u);
    EXPECT_EQ(pieces[0].afterMs, 30);
    Bytes joined;
    for (const auto& p : pieces) {
      EXPECT_FALSE(p.bytes.empty());
      joined.insert(joined.end(), p.bytes.begin(), p.bytes.end());
    }
    EXPECT_EQ(joined, kRtuAnswer);
    for (size_t k = 1; k < pieces.size(); ++k) EXPECT_GE(pieces[k].afterMs, 5);
  }
}

TEST(OutputQueue, HoldsPiecesUntilDueAndPacesBytes) {
  OutputQueue plain;
  plain.Push(Bytes{1, 2, 3}, 1000);
  EXPECT_TRUE(plain.Ready(999).empty());
  EXPECT_EQ(plain.WakeUs(), 1000);
  EXPECT_EQ(plain.Ready(1000).size(), 3u);
  plain.Consumed(3);
  EXPECT_TRUE(plain.Empty());

  OutputQueue paced(1146);
  paced.Push(Bytes(10, 0xAA), 0);
  EXPECT_EQ(paced.Ready(0).size(), 1u);
  EXPECT_EQ(paced.Ready(1146 * 4).size(), 5u);
  paced.Consumed(5);
  EXPECT_EQ(paced.WakeUs(), 1146 * 5);
  EXPECT_TRUE(paced.Ready(1146 * 5 - 1).empty());
  EXPECT_EQ(paced.Ready(1146 * 20).size(), 5u);

  OutputQueue ordered;
  ordered.Push(Bytes{1}, 5000);
  ordered.Push(Bytes{2}, 100);  // never overtakes the earlier piece
  EXPECT_TRUE(ordered.Ready(4999).empty());
  EXPECT_EQ(ordered.Ready(5000).front(), 1);
}

}  // namespace
}  // namespace kaviro::sim
