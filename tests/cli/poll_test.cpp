#include <gtest/gtest.h>

#include <optional>

#include "cli_fixture.h"

namespace kaviro::testing {
namespace {

using ::kaviro::testing::PrintTo;  // for the table rows declared here

constexpr const char* kLostText = "连接已断开，请检查连接";
constexpr const char* kPortText = "串口或被占用无法打开！\r\n请关闭占用此串口的程序，在重新打开本程序!";
constexpr const char* kConnectFailedText = "连接服务器失败!";
constexpr const char* kRemoteCloseText = "断开与服务器的连接";

std::string ModeParamName(const ::testing::TestParamInfo<Mode>& info) { return ModeName(info.param); }

// Each text appears in `text`, in this order.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& parts) {
  size_t at = 0;
  for (const std::string& part : parts) {
    const size_t found = text.find(part, at);
    ASSERT_NE(found, std::string::npos) << "missing \"" << part << "\" in:\n" << text;
    at = found + part.size();
  }
}

class PollEveryMode : public ::testing::TestWithParam<Mode> {};

TEST_P(PollEveryMode, OncePrintsTheWholeListInEitherLanguage) {
  SimLink link;
  ASSERT_TRUE(link.Start(GetParam())) << link.sim().output();
  TempDir dir;

  const ChildResult chinese = CliOn(dir, link, {"poll", "--once"});
  ASSERT_TRUE(chinese.exited && chinese.code == 0) << chinese;
  EXPECT_EQ(chinese.err, "");
  const std::vector<PolledList> chinesePolls = ParseTablePolls(chinese.out);
  ASSERT_EQ(chinesePolls.size(), 1u) << chinese.out;
  ExpectChineseList(chinesePolls[0]);
  ExpectClock(chinesePolls[0]);

  const ChildResult english = CliOn(dir, link, {"poll", "--once", "--language", "0"});
  ASSERT_TRUE(english.exited && english.code == 0) << english;
  const std::vector<PolledList> englishPolls = ParseTablePolls(english.out);
  ASSERT_EQ(englishPolls.size(), 1u) << english.out;
  ExpectEnglishList(englishPolls[0]);
  ExpectClock(englishPolls[0]);
}

INSTANTIATE_TEST_SUITE_P(Cli, PollEveryMode,
                         ::testing::Values(Mode::kSerial, Mode::kSerialCom, Mode::kWireless, Mode::kNetwork),
                         ModeParamName);

// Lines and networks deliver answers in pieces with pauses between them (over TCP: one segment each).
class PollSplitAnswers : public ::testing::TestWithParam<Mode> {};

TEST_P(PollSplitAnswers, EveryPollStillSucceeds) {
  SimLink link;
  ASSERT_TRUE(link.Start(GetParam(), {"--split"})) << link.sim().output();
  TempDir dir;
  const ChildResult r = CliOn(dir, link, {"poll", "--count", "5", "--interval", "0"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_EQ(r.err, "");
  const std::vector<PolledList> polls = ParseTablePolls(r.out);
  ASSERT_EQ(polls.size(), 5u) << r.out;
  for (const PolledList& poll : polls) ExpectChineseList(poll);
}

INSTANTIATE_TEST_SUITE_P(Cli, PollSplitAnswers, ::testing::Values(Mode::kSerial, Mode::kWireless, Mode::kNetwork),
                         ModeParamName);

// Like config.txt, and unlike the log dialog's hex entry.
TEST(PollDeviceId, IsDecimal) {
  SimLink link;
  ASSERT_TRUE(link.Start(Mode::kNetwork, {"--id", "10"})) << link.sim().output();
  TempDir dir;
  const ChildResult r = CliOn(dir, link, {"poll", "--once", "--id", "10"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  const std::vector<PolledList> polls = ParseTablePolls(r.out);
  ASSERT_EQ(polls.size(), 1u) << r.out;
  ExpectChineseList(polls[0]);
}

struct Failure {
  const char* name;
  Mode mode;
  std::vector<std::string> faults;
  bool simGone;                    // the simulator is stopped before the command runs
  std::vector<std::string> args;   // the link's options follow
  int status;
  std::vector<std::string> stderrTexts;
  size_t polls;                    // complete lists printed before the end
};

const Failure kFailures[] = {
    {"SilentSerialController", Mode::kSerial, {"--silent"}, false, {"poll", "--once"}, 3, {kLostText}, 0},
    {"SilentNetworkController", Mode::kNetwork, {"--silent"}, false, {"poll", "--once"}, 3, {kLostText}, 0},
    {"MissingDevice", Mode::kSerial, {}, true, {"poll", "--once"}, 2, {kPortText}, 0},
    {"MissingComMapping", Mode::kSerialCom, {}, true, {"poll", "--once"}, 2, {kPortText}, 0},
    {"MissingWirelessAdapter", Mode::kWireless, {}, true, {"poll"}, 2, {kPortText}, 0},
    {"NothingListens", Mode::kNetwork, {}, true, {"poll", "--once"}, 2, {kConnectFailedText}, 0},
    // Six answers are two whole polls; both are reported before the connection is declared lost.
    {"ControllerClosesTheConnection", Mode::kNetwork, {"--close-after", "6"}, false,
     {"poll", "--count", "4", "--interval", "0"}, 3, {kRemoteCloseText, kLostText}, 2},
    {"ReconnectsAfterTheControllerClosed", Mode::kNetwork, {"--close-after", "6"}, false,
     {"poll", "--count", "5", "--interval", "0", "--reconnect"}, 0, {kRemoteCloseText, kLostText, kRemoteCloseText}, 5},
};

class PollFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(PollFailure, EndsWithTheToolsTextAndStatus) {
  const Failure& f = GetParam();
  SimLink link;
  ASSERT_TRUE(link.Start(f.mode, f.faults)) << link.sim().output();
  if (f.simGone) link.sim().Stop();
  TempDir dir;

  const ChildResult r = CliOn(dir, link, f.args);
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, f.status) << r;
  ExpectInOrder(r.err, f.stderrTexts);
  const std::vector<PolledList> polls = ParseTablePolls(r.out);
  ASSERT_EQ(polls.size(), f.polls) << r.out;
  for (const PolledList& poll : polls) ExpectChineseList(poll);
}

INSTANTIATE_TEST_SUITE_P(Cli, PollFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// The record the tool writes into an empty directory.
const std::string kDefaultConfig(
    "\x02\x00\x00\x00\x01\x00\x00\x00\x03\x00\x00\x00\x01\x00\x00\x00"
    "\x00\x00\x00\x00\xC7\x01\xA8\xC0\x00\x00\x00\x00\x40\x41\x52\x4D",
    32);

enum class Reach { kOptions, kCom5Variable, kTcpPortVariable };

struct ConfigCase {
  const char* name;
  std::optional<std::string> before;  // config.txt as the command finds it
  Mode mode;
  Reach reach;                        // how the command finds the simulator
  std::vector<std::string> args;
  std::string after;
  size_t rows;
};

const std::string kStoredWireless = ConfigRecord(5, 1, 1, 0, 0, 0xC0A801C7, 2);
const std::string kStoredNetwork = ConfigRecord(2, 1, 1, 1, 1, 0x7F000001, 1);

const ConfigCase kConfigCases[] = {
    {"MissingFileIsCreatedWithTheDefaults", std::nullopt, Mode::kNetwork, Reach::kOptions,
     {"poll", "--once", "--language", "0", "--interval", "9", "--id", "1", "--battery", "2"}, kDefaultConfig, 44},
    {"ForeignFileIsReplacedByTheDefaults", "not a record", Mode::kSerial, Reach::kOptions, {"poll", "--once"},
     kDefaultConfig, 74},
    {"StoredWirelessSettingsAreUsed", kStoredWireless, Mode::kWireless, Reach::kCom5Variable, {"poll", "--once"},
     kStoredWireless, 44},
    {"StoredNetworkSettingsAreUsed", kStoredNetwork, Mode::kNetwork, Reach::kTcpPortVariable, {"poll", "--once"},
     kStoredNetwork, 74},
    {"OverridesAreNotWrittenBack", kStoredWireless, Mode::kSerial, Reach::kOptions,
     {"poll", "--once", "--language", "1", "--interval", "2", "--com", "3", "--id", "1", "--battery", "1"},
     kStoredWireless, 74},
};

class PollConfig : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(PollConfig, ReadsConfigTxtAndLeavesItAsTheToolWould) {
  const ConfigCase& c = GetParam();
  SimLink link;
  ASSERT_TRUE(link.Start(c.mode)) << link.sim().output();
  TempDir dir;
  if (c.before) WriteFileBytes(dir / "config.txt", *c.before);

  std::vector<std::string> args = c.args;
  std::map<std::string, std::string> env;
  switch (c.reach) {
    case Reach::kOptions:
      args = Concat(args, link.Options());
      env = link.Env();
      break;
    case Reach::kCom5Variable: env["KAVIRO_COM5"] = link.pty(); break;
    case Reach::kTcpPortVariable: env["KAVIRO_TCP_PORT"] = std::to_string(link.sim().tcpPort()); break;
  }
  const ChildResult r = Cli(dir, args, env);
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  const std::vector<PolledList> polls = ParseTablePolls(r.out);
  ASSERT_EQ(polls.size(), 1u) << r.out;
  EXPECT_EQ(polls[0].rows.size(), c.rows);
  EXPECT_EQ(ReadFileBytes(dir / "config.txt"), c.after);
}

INSTANTIATE_TEST_SUITE_P(Cli, PollConfig, ::testing::ValuesIn(kConfigCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct Interrupt {
  const char* name;
  Mode mode;
  const char* answerDelayMs;  // stretches a poll to about three times this
  int signalAfterMs;          // after the first list is out; the next poll starts a second after it
  size_t polls;
};

const Interrupt kInterrupts[] = {
    {"SerialBetweenPolls", Mode::kSerial, "400", 0, 1},
    {"SerialDuringAPoll", Mode::kSerial, "400", 1400, 2},
    {"NetworkBetweenPolls", Mode::kNetwork, "250", 0, 1},
    {"NetworkDuringAPoll", Mode::kNetwork, "250", 1300, 2},
};

class PollInterrupt : public ::testing::TestWithParam<Interrupt> {};

TEST_P(PollInterrupt, SigintEndsCleanlyAfterTheCurrentPoll) {
  const Interrupt& c = GetParam();
  SimLink link;
  ASSERT_TRUE(link.Start(c.mode, {"--delay", c.answerDelayMs})) << link.sim().output();
  TempDir dir;

  Child cli;
  ASSERT_TRUE(cli.Start(kCli, Concat({"poll", "--interval", "1"}, link.Options()), {.dir = dir.path()}));
  ASSERT_TRUE(cli.WaitForOutput([](const std::string& out) { return out.find(kClockPrefix) != std::string::npos; }));
  ::usleep(static_cast<useconds_t>(c.signalAfterMs) * 1000);
  cli.Signal(SIGINT);
  const ChildResult r = cli.Finish();

  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, 0) << r;
  EXPECT_EQ(r.err, "");
  ASSERT_FALSE(r.out.empty());
  EXPECT_EQ(r.out.back(), '\n') << "the last line is cut";
  EXPECT_EQ(Lines(r.out).back().rfind(kClockPrefix, 0), 0u) << "the output does not end with a whole list";
  const std::vector<PolledList> polls = ParseTablePolls(r.out);
  ASSERT_EQ(polls.size(), c.polls) << r.out;
  for (const PolledList& poll : polls) ExpectChineseList(poll);
}

INSTANTIATE_TEST_SUITE_P(Cli, PollInterrupt, ::testing::ValuesIn(kInterrupts),
                         [](const auto& info) { return std::string(info.param.name); });

// A controller that restarts, a USB adapter pulled and plugged back: the simulator ends and a new
// one comes up on the same pseudo-terminal path or TCP port while the poll keeps running.
class PollReconnect : public ::testing::TestWithParam<Mode> {};

TEST_P(PollReconnect, GoesOnPollingWhenTheControllerComesBack) {
  SimLink link;
  ASSERT_TRUE(link.Start(GetParam())) << link.sim().output();
  const std::vector<std::string> options = link.Options();
  std::vector<std::string> again = {"--pty", link.pty()};
  if (GetParam() == Mode::kNetwork) again = {"--tcp", std::to_string(link.sim().tcpPort())};
  if (GetParam() == Mode::kWireless) again.push_back("--wireless");
  TempDir dir;

  Child cli;
  ASSERT_TRUE(cli.Start(kCli, Concat({"poll", "--interval", "0", "--reconnect"}, options),
                        {.dir = dir.path(), .timeoutMs = 30000}));
  ASSERT_TRUE(cli.WaitForOutput([](const std::string& out) { return CountOf(out, kClockPrefix) >= 1; }));
  link.sim().Stop();
  ::usleep(1500 * 1000);  // long enough for the poll to notice, too short for its second attempt
  ASSERT_TRUE(link.sim().Start(kSimBinary, again)) << link.sim().output();
  size_t before = 0;
  ASSERT_TRUE(cli.WaitForOutput([&](const std::string& out) {
    if (before == 0) before = CountOf(out, kClockPrefix);
    return CountOf(out, kClockPrefix) >= before + 2;
  })) << "no polls after the controller came back";
  cli.Signal(SIGINT);
  const ChildResult r = cli.Finish();

  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, 0) << r;
  ExpectInOrder(r.err, {kLostText});
  for (const PolledList& poll : ParseTablePolls(r.out)) ExpectChineseList(poll);
}

INSTANTIATE_TEST_SUITE_P(Cli, PollReconnect, ::testing::Values(Mode::kSerial, Mode::kWireless, Mode::kNetwork),
                         ModeParamName);

}  // namespace
}  // namespace kaviro::testing
