// The lists of units and controllers a polling verb takes, and its links file.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/link_targets.h"

namespace kaviro::cli {
namespace {

struct UnitListCase {
  const char* text;
  std::vector<uint8_t> units;  // empty: refused
};

class UnitListTest : public ::testing::TestWithParam<UnitListCase> {};

TEST_P(UnitListTest, TakesAddressesOnceEach) {
  std::string error;
  const auto units = ParseUnitList(GetParam().text, error);
  if (GetParam().units.empty()) {
    EXPECT_FALSE(units) << GetParam().text;
    EXPECT_FALSE(error.empty());
  } else {
    ASSERT_TRUE(units) << error;
    EXPECT_EQ(*units, GetParam().units);
  }
}

INSTANTIATE_TEST_SUITE_P(Cli, UnitListTest,
                         ::testing::Values(UnitListCase{"1", {1}}, UnitListCase{"01,2,247", {1, 2, 247}},
                                           UnitListCase{"3,1,2", {3, 1, 2}}, UnitListCase{"0", {}},
                                           UnitListCase{"248", {}}, UnitListCase{"1,,2", {}}, UnitListCase{"1,2,1", {}},
                                           UnitListCase{"1 ,2", {}}, UnitListCase{"", {}}, UnitListCase{"0x10", {}}));

struct HostListCase {
  const char* text;
  std::vector<std::pair<std::string, int>> hosts;  // port 0: none given; empty: refused
};

class HostListTest : public ::testing::TestWithParam<HostListCase> {};

TEST_P(HostListTest, TakesDottedAddressesWithOptionalPorts) {
  std::string error;
  const auto hosts = ParseHostList(GetParam().text, error);
  if (GetParam().hosts.empty()) {
    EXPECT_FALSE(hosts) << GetParam().text;
    return;
  }
  ASSERT_TRUE(hosts) << error;
  ASSERT_EQ(hosts->size(), GetParam().hosts.size());
  for (size_t i = 0; i < hosts->size(); ++i) {
    EXPECT_EQ(IpText((*hosts)[i].host), GetParam().hosts[i].first);
    EXPECT_EQ((*hosts)[i].port.value_or(0), GetParam().hosts[i].second);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, HostListTest,
    ::testing::Values(HostListCase{"192.168.1.199", {{"192.168.1.199", 0}}},
                      HostListCase{"10.0.0.1:1502,10.0.0.2", {{"10.0.0.1", 1502}, {"10.0.0.2", 0}}},
                      HostListCase{"10.0.0.1,10.0.0.1:503", {{"10.0.0.1", 0}, {"10.0.0.1", 503}}},
                      HostListCase{"10.0.0.1,10.0.0.1", {}}, HostListCase{"10.0.0.1:0", {}},
                      HostListCase{"10.0.0.1:65536", {}}, HostListCase{"host.local", {}}, HostListCase{"10.0.0.1,", {}}));

TEST(LinksFile, ReadsLinksWithTheirUnitsOverTheLinkOptions) {
  LinkOverrides base;
  base.device = "/dev/ttyS9";
  base.port = 1502;
  base.interval = 7;
  std::istringstream file(
      "# site A\n"
      "serial /dev/ttyUSB0 1,2,3   # the RS-485 line\n"
      "\n"
      "wireless 3\n"
      "network 192.168.1.199 1\n"
      "network 192.168.1.200:502 4,5\n");
  std::string error;
  const auto targets = ParseLinksFile(file, base, error);
  ASSERT_TRUE(targets) << error;
  ASSERT_EQ(targets->size(), 4u);
  const LinkTarget& line = (*targets)[0];
  EXPECT_EQ(line.link.workMode, 0);
  EXPECT_EQ(line.link.device, "/dev/ttyUSB0");
  EXPECT_EQ(line.units, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(line.link.interval, 7) << "the link options hold for every link";
  const LinkTarget& radio = (*targets)[1];
  EXPECT_EQ(radio.link.workMode, 2);
  EXPECT_EQ(radio.link.comPort, 3);
  EXPECT_FALSE(radio.link.device) << "a COM number replaces --device";
  EXPECT_TRUE(radio.units.empty());
  EXPECT_EQ(IpText(*(*targets)[2].link.host), "192.168.1.199");
  EXPECT_EQ((*targets)[2].link.port, 1502) << "--port where the line names none";
  EXPECT_EQ((*targets)[3].link.port, 502);
  EXPECT_EQ((*targets)[3].units, (std::vector<uint8_t>{4, 5}));
}

struct BadFileCase {
  const char* name;
  const char* text;
  const char* error;
};

class BadLinksFile : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadLinksFile, SaysWhichLineAndWhy) {
  std::istringstream file(GetParam().text);
  std::string error;
  EXPECT_FALSE(ParseLinksFile(file, {}, error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, BadLinksFile,
    ::testing::Values(
        BadFileCase{"UnknownMode", "serial /dev/a\nmodbus 1\n", "line 2: the mode is serial, network or wireless, not \"modbus\""},
        BadFileCase{"NoWhere", "# x\nnetwork\n", "line 2: no device, COM number or host after the mode"},
        BadFileCase{"HostName", "network nas.local 1\n", "line 1: a network link is HOST[:PORT] with a dotted address"},
        BadFileCase{"BadUnits", "serial /dev/a 1,1\n", "line 1: a whole number from 1 to 247, or several apart by commas, each once, such as 1,2,3"},
        BadFileCase{"TooMuch", "serial /dev/a 1 2\n", "line 1: more than MODE WHERE [UNITS]"},
        BadFileCase{"Empty", "# nothing\n\n", "no links in it"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kaviro::cli
