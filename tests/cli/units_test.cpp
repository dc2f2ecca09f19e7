// kaviro-cli poll with several units on one line, and with several network controllers: each unit
// its own polls, tagged by unit; a silenced unit costs only its own wait and is picked up again.
#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>

#include "cli_fixture.h"

namespace kaviro::testing {
namespace {

using nlohmann::json;

struct UnitPollCase {
  const char* name;
  Mode mode;
};

// Polls of units in stdout's json lines, by unit address.
std::map<int, std::vector<json>> PollsByUnit(const std::string& out) {
  std::map<int, std::vector<json>> polls;
  // Only whole lines: a poll may be half written.
  for (const std::string& line : Lines(out.substr(0, out.rfind('\n') + 1)))
    if (!line.empty()) {
      const json poll = json::parse(line);
      polls[poll.at("unit").get<int>()].push_back(poll);
    }
  return polls;
}

std::string ValueAt(const json& poll, const std::string& address) {
  for (const json& row : poll.at("rows"))
    if (row.at("address") == address) return row.at("value");
  return {};
}

class UnitsOnOneLine : public ::testing::TestWithParam<UnitPollCase> {};

TEST_P(UnitsOnOneLine, EachUnitIsPolledAndTaggedAndAgreesWithItsOwnPoll) {
  const std::vector<std::string> units = {"--units", "1,2,3"};
  SimLink link;
  ASSERT_TRUE(link.Start(GetParam().mode, units)) << link.sim().output();
  TempDir dir;

  const ChildResult r = CliOn(dir, link, {"poll", "--id", "1,2,3", "--count", "2", "--interval", "0", "--format", "json"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  const std::map<int, std::vector<json>> polls = PollsByUnit(r.out);
  ASSERT_EQ(polls.size(), 3u) << r.out;
  for (const auto& [unit, list] : polls) {
    SCOPED_TRACE("unit " + std::to_string(unit));
    ASSERT_EQ(list.size(), 2u);
    // The status line is the unit's own; the fixed defaults are every unit's.
    EXPECT_NE(list[0].at("status").get<std::string>().find("设备ID：0" + std::to_string(unit)), std::string::npos)
        << list[0].at("status");
    EXPECT_EQ(ValueAt(list[0], "0X0028"), "10.00");
    EXPECT_EQ(list[0].at("rows").size(), 74u);
  }
  // Round by round: 1, 2, 3, 1, 2, 3.
  std::vector<int> order;
  for (const std::string& line : Lines(r.out))
    if (!line.empty()) order.push_back(json::parse(line).at("unit"));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 1, 2, 3}));

  // Unit 2 polled alone says what the round said for it, in the output a lone unit always had.
  const ChildResult alone = CliOn(dir, link, {"poll", "--id", "2", "--once", "--interval", "0", "--format", "json"});
  ASSERT_TRUE(alone.exited && alone.code == 0) << alone;
  const json one = json::parse(Lines(alone.out).at(0));
  EXPECT_FALSE(one.contains("unit")) << "a lone unit's json is as before";
  EXPECT_EQ(one.at("status"), polls.at(2)[0].at("status"));
}

TEST_P(UnitsOnOneLine, CsvNamesTheUnitColumnOnlyForSeveralUnits) {
  SimLink link;
  ASSERT_TRUE(link.Start(GetParam().mode, {"--units", "1,2"})) << link.sim().output();
  TempDir dir;
  const ChildResult several = CliOn(dir, link, {"poll", "--id", "1,2", "--once", "--format", "csv"});
  ASSERT_TRUE(several.exited && several.code == 0) << several;
  const std::vector<std::string> lines = Lines(several.out);
  ASSERT_EQ(lines.size(), 1u + 2 * 74) << several.out;
  EXPECT_EQ(lines[0], "timestamp,unit_id,number,address,description,value,unit\r");
  EXPECT_EQ(Split(lines[1], ',')[1], "1");
  EXPECT_EQ(Split(lines[1 + 74], ',')[1], "2");

  const ChildResult one = CliOn(dir, link, {"poll", "--id", "2", "--once", "--format", "csv"});
  ASSERT_TRUE(one.exited && one.code == 0) << one;
  EXPECT_EQ(Lines(one.out).at(0), "timestamp,number,address,description,value,unit\r");
}

INSTANTIATE_TEST_SUITE_P(Cli, UnitsOnOneLine,
                         ::testing::Values(UnitPollCase{"Serial", Mode::kSerial}, UnitPollCase{"Wireless", Mode::kWireless}),
                         [](const auto& info) { return std::string(info.param.name); });

size_t PollsOf(const std::string& out, int unit) {
  const auto polls = PollsByUnit(out);
  const auto found = polls.find(unit);
  return found == polls.end() ? 0 : found->second.size();
}

// SIGUSR1 silences unit 2 only: units 1 and 3 keep coming, unit 2 does not; the next SIGUSR1 and
// unit 2 is polled again by the same run.
TEST(UnitsOnOneLine, SilencedUnitIsSkippedByItsWaitAndPickedUpAgain) {
  SimLink link;
  ASSERT_TRUE(link.Start(Mode::kSerial, {"--units", "1,2,3", "--signal-units", "2"})) << link.sim().output();
  TempDir dir;
  Child cli;
  ASSERT_TRUE(cli.Start(kCli, Concat({"poll", "--id", "1,2,3", "--interval", "0", "--format", "json"}, link.Options()),
                        {.dir = dir.path(), .timeoutMs = 60000}));
  ASSERT_TRUE(cli.WaitForOutput([](const std::string& out) { return PollsOf(out, 3) >= 1; }));
  ::kill(link.sim().pid(), SIGUSR1);
  size_t first = 0, second = 0, third = 0;
  ASSERT_TRUE(cli.WaitForOutput([&](const std::string& out) {
    if (first == 0) std::tie(first, second, third) = std::tuple{PollsOf(out, 1), PollsOf(out, 2), PollsOf(out, 3)};
    return PollsOf(out, 1) >= first + 3 && PollsOf(out, 3) >= third + 3;
  })) << "units 1 and 3 stopped while unit 2 was silent";
  // At most the poll under way when the signal came.
  size_t silentPolls = 0;
  ASSERT_TRUE(cli.WaitForOutput([&](const std::string& out) {
    silentPolls = PollsOf(out, 2);
    return true;
  }));
  EXPECT_LE(silentPolls, second + 1);
  ::kill(link.sim().pid(), SIGUSR1);
  ASSERT_TRUE(cli.WaitForOutput([&](const std::string& out) { return PollsOf(out, 2) >= silentPolls + 2; }))
      << "unit 2 was not picked up again";
  cli.Signal(SIGINT);
  const ChildResult r = cli.Finish();
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, 0) << r;
}

// Two network controllers, one connection each, and a links file naming a line of units next to
// a network controller: every poll says which link and unit it is from.
TEST(SeveralLinks, HostsAndLinksFileArePolledInTurn) {
  SimLink first, second, line;
  ASSERT_TRUE(first.Start(Mode::kNetwork)) << first.sim().output();
  ASSERT_TRUE(second.Start(Mode::kNetwork, {"--units", "1,4"})) << second.sim().output();
  ASSERT_TRUE(line.Start(Mode::kSerial, {"--units", "1,2"})) << line.sim().output();
  const std::string a = "127.0.0.1:" + std::to_string(first.sim().tcpPort());
  const std::string b = "127.0.0.1:" + std::to_string(second.sim().tcpPort());
  TempDir dir;

  const ChildResult hosts =
      Cli(dir, {"poll", "--mode", "network", "--host", a + "," + b, "--once", "--format", "json"});
  ASSERT_TRUE(hosts.exited && hosts.code == 0) << hosts;
  std::vector<std::string> seen;
  for (const std::string& text : Lines(hosts.out)) {
    const json poll = json::parse(text);
    EXPECT_EQ(poll.at("rows").size(), 74u);
    seen.push_back(poll.at("host").get<std::string>() + "/" + std::to_string(poll.at("unit").get<int>()));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{a + "/1", b + "/1"}));

  WriteFileBytes(dir.path() / "site.links", "# the site\nserial " + line.pty() + " 1,2\nnetwork " + b +
                                                " 4   # behind the second\n");
  const ChildResult file = Cli(dir, {"poll", "--links", "site.links", "--once", "--format", "csv"});
  ASSERT_TRUE(file.exited && file.code == 0) << file;
  const std::vector<std::string> lines = Lines(file.out);
  ASSERT_EQ(lines.size(), 1u + 3 * 74) << file.out;
  EXPECT_EQ(lines[0], "timestamp,host,unit_id,number,address,description,value,unit\r");
  const std::vector<std::pair<std::string, std::string>> expected = {{line.pty(), "1"}, {line.pty(), "2"}, {b, "4"}};
  for (size_t i = 0; i < expected.size(); ++i) {
    const std::vector<std::string> cells = Split(lines[1 + 74 * i], ',');
    EXPECT_EQ(cells[1], expected[i].first);
    EXPECT_EQ(cells[2], expected[i].second);
  }

  // A link that does not open is the link error, whichever it is in the list.
  second.sim().Stop();
  const ChildResult gone = Cli(dir, {"poll", "--mode", "network", "--host", a + "," + b, "--once"});
  ASSERT_TRUE(gone.exited) << gone;
  EXPECT_EQ(gone.code, 2) << gone;
  EXPECT_NE(gone.err.find("连接服务器失败!"), std::string::npos) << gone;
}

}  // namespace
}  // namespace kaviro::testing
