// The poll in virtual time: three block reads, failure counting, pacing, pausing.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "link/fake_link.h"
#include "link/radio_packet.h"
#include "monitor/poll_worker.h"

namespace kaviro {
namespace {

using testing::Bytes;
using testing::FakeClock;
using testing::ScriptedPort;
using testing::ScriptedSocket;

Bytes ReadAnswer(uint8_t function, int count, uint16_t firstWord = 0) {
  std::vector<uint8_t> body{1, function, static_cast<uint8_t>(2 * count)};
  for (int i = 0; i < count; ++i) PutU16(body, static_cast<uint16_t>(i == 0 ? firstWord : 0));
  const RtuFrame f = RtuFrame::Seal(body);
  return {f.Bytes().begin(), f.Bytes().end()};
}

const Bytes kBlock1 = ReadAnswer(4, 90);
const Bytes kBlock2 = ReadAnswer(3, 27);
const Bytes kBlock3 = ReadAnswer(3, 78, 1);  // 0xE080 = 00:00:01 ... as the high word: 18:12:16

struct Recorder final : PollObserver {
  std::vector<DecodedTexts> blocks;
  std::vector<std::string> statuses, messages;
  int lost = 0;
  std::function<void()> afterBlock;
  void OnBlockDecoded(const DecodedTexts& t) override {
    blocks.push_back(t);
    if (afterBlock) afterBlock();
  }
  void OnStatusText(const std::string& t) override { statuses.push_back(t); }
  void OnMessage(const std::string& t) override { messages.push_back(t); }
  void OnConnectionLost() override { ++lost; }
};

class PollWorkerTest : public ::testing::Test {
 public:  // table rows arrange the fixture
  PollWorkerTest() {
    link.UseSerialDevice(&port);
    worker.SetEnabled(true);
  }
  void SetMode(int workMode, int interval = 3) {
    AppConfig c = AppConfig::Defaults();
    c.workMode = workMode;
    c.pollInterval = interval;
    config.Set(c);
  }
  // Answers for the three writes of the poll starting at write `first`.
  void ScriptGoodPoll(size_t first = 0) {
    port.AnswerWrite(first, 30, kBlock1);
    port.AnswerWrite(first + 1, 30, kBlock2);
    port.AnswerWrite(first + 2, 30, kBlock3);
  }

  FakeClock clock;
  ScriptedPort port{clock};
  LinkService link{clock};
  SharedConfig config;
  DecodedValues values{};
  Recorder recorder;
  PollWorker worker{link, config, values, recorder};
};

TEST_F(PollWorkerTest, GoodPollDecodesAllThreeBlocks) {
  SetMode(0);
  ScriptGoodPoll();
  EXPECT_EQ(worker.PollOnce(), PollResult::kSucceeded);
  ASSERT_EQ(recorder.blocks.size(), 3u);
  ASSERT_EQ(port.writes().size(), 3u);
  EXPECT_EQ(port.writes()[1][2], 0xE0);
  EXPECT_EQ(port.writes()[2][3], 0x80);
  EXPECT_TRUE(recorder.blocks[0].clock.has_value());
  EXPECT_EQ(*recorder.blocks[0].status,
            "工作方式：串口,  串口号：COM2,  设备ID：01,  采集间隔：3s,  语言：简体中文");
  // 30 ms per read, and the 100 ms between the two holding reads.
  EXPECT_EQ(clock.NowMs(), 30u + 40u + 100u + 40u);
}

TEST_F(PollWorkerTest, FourthFailureInARowReportsTheConnectionLost) {
  SetMode(0);
  for (int poll = 1; poll <= 5; ++poll) {
    EXPECT_EQ(worker.PollOnce(), PollResult::kFailed);
    EXPECT_EQ(recorder.lost, poll > 3 ? poll - 3 : 0) << poll;
  }
  // A failed read 1 skips reads 2 and 3; a silent read waits its 200 checks of 10 ms.
  EXPECT_EQ(port.writes().size(), 5u);
  EXPECT_EQ(clock.NowMs(), 5u * 2000);

  ScriptGoodPoll(5);
  EXPECT_EQ(worker.PollOnce(), PollResult::kSucceeded);
  EXPECT_EQ(worker.ConsecutiveFailures(), 0);
}

TEST_F(PollWorkerTest, SilentHoldingReadStillLetsTheLastReadRunAndResetsFailures) {
  SetMode(0);
  worker.PollOnce();
  ASSERT_EQ(worker.ConsecutiveFailures(), 1);
  port.AnswerWrite(1, 30, kBlock1);
  port.AnswerWrite(3, 30, kBlock3);
  EXPECT_EQ(worker.PollOnce(), PollResult::kSucceeded);
  EXPECT_EQ(port.writes().size(), 4u);
  EXPECT_EQ(recorder.blocks.size(), 2u);
  EXPECT_EQ(worker.ConsecutiveFailures(), 0);
}

Bytes PacketStream(const Bytes& plain) {
  Bytes stream;
  for (const RadioPacket& p : PackFrame(plain)) stream.insert(stream.end(), p.begin(), p.end());
  return stream;
}

// Whatever ends a poll after its first read succeeded, that read has shown the controller is
// there: a single failure afterwards is one failure, not the fourth.
struct EndAfterRead1 {
  const char* name;
  int workMode;
  PollResult result;
  std::function<void(PollWorkerTest&)> arrange;  // after read 1 is scripted as the fourth write
};
void PrintTo(const EndAfterRead1& c, std::ostream* os) { *os << c.name; }

class PollEndsAfterRead1 : public PollWorkerTest, public ::testing::WithParamInterface<EndAfterRead1> {};

TEST_P(PollEndsAfterRead1, ResetsTheFailureCount) {
  const EndAfterRead1& c = GetParam();
  SetMode(c.workMode);
  for (int poll = 0; poll < 3; ++poll) worker.PollOnce();
  ASSERT_EQ(worker.ConsecutiveFailures(), 3);
  port.AnswerWrite(3, 30, c.workMode == 2 ? PacketStream(kBlock1) : kBlock1);
  c.arrange(*this);
  EXPECT_EQ(worker.PollOnce(), c.result);
  EXPECT_EQ(worker.ConsecutiveFailures(), 0);

  recorder.afterBlock = nullptr;
  worker.SetEnabled(true);
  EXPECT_EQ(worker.PollOnce(), PollResult::kFailed);
  EXPECT_EQ(worker.ConsecutiveFailures(), 1);
  EXPECT_EQ(recorder.lost, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Poll, PollEndsAfterRead1,
    ::testing::Values(
        EndAfterRead1{"PauseBeforeRead2", 0, PollResult::kCancelled,
                      [](PollWorkerTest& t) { t.recorder.afterBlock = [&t] { t.worker.SetEnabled(false); }; }},
        EndAfterRead1{"PacketErrorInRead2", 2, PollResult::kSucceeded,
                      [](PollWorkerTest& t) { t.port.AnswerWrite(4, 30, Bytes(64, 0)); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PollWorkerTest, ClosedPortOrMissingConnectionCountsNothing) {
  SetMode(0);
  port.SetOpen(false);
  EXPECT_EQ(worker.PollOnce(), PollResult::kSkipped);
  SetMode(1);
  EXPECT_EQ(worker.PollOnce(), PollResult::kSkipped);
  EXPECT_EQ(worker.ConsecutiveFailures(), 0);
  EXPECT_TRUE(port.writes().empty());
}

TEST_F(PollWorkerTest, WirelessPacketErrorIsShownAndCounted) {
  SetMode(2);
  Bytes stream;
  for (const RadioPacket& p : PackFrame(kBlock1)) stream.insert(stream.end(), p.begin(), p.end());
  stream.resize(192);  // a packet short of the answer
  stream.insert(stream.end(), 16, 0);
  port.AnswerWrite(0, 30, stream);
  EXPECT_EQ(worker.PollOnce(), PollResult::kFailed);
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0], "最后1包数据长度不正确=0,应该在1~15");
  EXPECT_EQ(worker.ConsecutiveFailures(), 1);
}

TEST_F(PollWorkerTest, IntervalCountsFromTheEndOfOnePollToTheStartOfTheNext) {
  SetMode(0, 5);
  ScriptGoodPoll(0);
  ScriptGoodPoll(3);
  std::vector<uint64_t> pollEnds;
  worker.RunLoop([&](std::optional<PollResult> result) {
    if (result) pollEnds.push_back(clock.NowMs());
    return pollEnds.size() < 2;
  });
  // The first poll runs at once and takes 210 ms; the next starts 5 s after that, on a 10 ms pass.
  EXPECT_EQ(pollEnds, (std::vector<uint64_t>{210, 210 + 5000 + 210}));
  EXPECT_EQ(port.writes().size(), 6u);
}

TEST_F(PollWorkerTest, PausingCancelsAPollWithoutCountingIt) {
  SetMode(0);
  worker.SetEnabled(false);
  EXPECT_EQ(worker.PollOnce(), PollResult::kCancelled);
  EXPECT_EQ(worker.ConsecutiveFailures(), 0);
  EXPECT_TRUE(port.writes().empty());
}

// A clock that runs `action` once virtual time reaches `at`.
struct TriggerClock final : Clock {
  explicit TriggerClock(FakeClock& inner) : inner(inner) {}
  void SleepMs(int ms) override {
    inner.SleepMs(ms);
    if (action && inner.NowMs() >= at) std::exchange(action, nullptr)();
  }
  uint64_t NowMs() override { return inner.NowMs(); }
  FakeClock& inner;
  uint64_t at = 0;
  std::function<void()> action;
};

TEST(PollWorkerPause, SerialReadUnderWayIsAnsweredBeforeThePauseTakesHold) {
  FakeClock fake;
  TriggerClock clock(fake);
  ScriptedPort port(fake);
  LinkService link(clock);
  link.UseSerialDevice(&port);
  SharedConfig config;
  DecodedValues values{};
  Recorder recorder;
  PollWorker worker(link, config, values, recorder);
  worker.SetEnabled(true);
  clock.at = 20;
  clock.action = [&] { worker.SetEnabled(false); };
  port.AnswerWrite(0, 50, kBlock1);
  EXPECT_EQ(worker.PollOnce(), PollResult::kCancelled);
  // Its answer is not left on the line for the next user of the port, and nothing else is sent.
  EXPECT_EQ(recorder.blocks.size(), 1u);
  EXPECT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.Queued(), 0);
}

TEST(PollWorkerPause, NetworkWaitAndStopEndAtOnce) {
  FakeClock fake;
  TriggerClock clock(fake);
  LinkService link(clock);
  auto socket = std::make_shared<ScriptedSocket>();
  link.SetConnection(socket);
  link.SetConnected(true);
  AppConfig c = AppConfig::Defaults();
  c.workMode = 1;
  SharedConfig config(c);
  DecodedValues values{};
  Recorder recorder;
  PollWorker worker(link, config, values, recorder);
  worker.SetEnabled(true);
  clock.at = 30;
  clock.action = [&] { worker.SetEnabled(false); };
  EXPECT_EQ(worker.PollOnce(), PollResult::kCancelled);
  EXPECT_EQ(fake.NowMs(), 30u);

  ScriptedPort port(fake);
  link.UseSerialDevice(&port);
  config.Set(AppConfig::Defaults());
  worker.SetEnabled(true);
  clock.at = fake.NowMs() + 40;
  clock.action = [&] { worker.Stop(); };
  EXPECT_EQ(worker.PollOnce(), PollResult::kCancelled);
  EXPECT_EQ(fake.NowMs(), 70u);
}

TEST_F(PollWorkerTest, NetworkPoll) {
  SetMode(1);
  auto socket = std::make_shared<ScriptedSocket>();
  link.SetConnection(socket);
  link.SetConnected(true);
  auto net = [](uint16_t id, const Bytes& rtu) {
    Bytes out = {static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id), 0, 0, 0, static_cast<uint8_t>(rtu.size() - 2)};
    out.insert(out.end(), rtu.begin(), rtu.end() - 2);
    return out;
  };
  socket->Then(net(0, kBlock1));
  socket->Then(net(1, kBlock2));
  socket->Then(net(2, kBlock3));
  EXPECT_EQ(worker.PollOnce(), PollResult::kSucceeded);
  EXPECT_EQ(recorder.blocks.size(), 3u);
  EXPECT_FALSE(recorder.blocks[0].status.has_value());  // the session owns pane 0 on the network
  EXPECT_EQ(link.transaction().Current(), 3);

  // No answer on the network is not a failure; a refused send ends the poll with its text.
  EXPECT_EQ(worker.PollOnce(), PollResult::kSucceeded);
  EXPECT_EQ(worker.ConsecutiveFailures(), 0);
  socket->LimitSend(0);
  EXPECT_EQ(worker.PollOnce(), PollResult::kFailed);
  EXPECT_EQ(recorder.statuses, std::vector<std::string>{"发送数据失败"});
}

}  // namespace
}  // namespace kaviro
