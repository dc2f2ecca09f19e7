#include <gtest/gtest.h>

#include "sim/sim_options.h"

namespace kaviro::sim {
namespace {

ParsedOptions Parse(std::vector<std::string> args) { return ParseSimOptions(args); }

TEST(SimOptions, WithoutATransportServesTcpOn1502AndAPtyAloneServesNoTcp) {
  EXPECT_EQ(Parse({}).options.tcpPort, kDefaultTcpPort);
  const ParsedOptions pty = Parse({"--pty", "/tmp/x"});
  ASSERT_TRUE(pty.error.empty()) << pty.error;
  EXPECT_FALSE(pty.options.tcpPort);
}

// Each row: the same option in both spellings, and the field it must reach.
struct Spelling {
  std::vector<std::string> apart;
  std::vector<std::string> joined;
  bool (*holds)(const SimOptions&);
};

TEST(SimOptions, NameValueAndNameEqualsValueMeanTheSame) {
  const Spelling rows[] = {
      {{"--id", "010"}, {"--id=010"}, [](const SimOptions& o) { return o.unit == 10; }},  // decimal, not octal
      {{"--tcp", "0"}, {"--tcp=0"}, [](const SimOptions& o) { return o.tcpPort == 0; }},
      {{"--drop", "0.25"}, {"--drop=0.25"}, [](const SimOptions& o) { return o.faults.drop == 0.25; }},
      {{"--seed", "18446744073709551615"}, {"--seed=18446744073709551615"},
       [](const SimOptions& o) { return o.seed == 18446744073709551615ull; }},
      {{"--pty", "/tmp/x", "--wireless"}, {"--pty=/tmp/x", "--wireless"},
       [](const SimOptions& o) { return o.ptyPath == "/tmp/x" && o.wireless; }},
      {{"--id", "3", "--id", "4"}, {"--id=3", "--id=4"}, [](const SimOptions& o) { return o.unit == 4; }},  // the last wins
      {{"--units", "3,1,2", "--fault-units", "2"}, {"--units=3,1,2", "--fault-units=2"},
       [](const SimOptions& o) { return o.units == std::vector<uint8_t>{3, 1, 2} && o.faultUnits == std::vector<uint8_t>{2}; }},
  };
  for (const Spelling& row : rows) {
    for (const auto& args : {row.apart, row.joined}) {
      const ParsedOptions p = Parse(args);
      ASSERT_TRUE(p.error.empty()) << args[0] << ": " << p.error;
      EXPECT_TRUE(row.holds(p.options)) << ::testing::PrintToString(args);
    }
  }
}

TEST(SimOptions, RefusesBadCommandLines) {
  const std::vector<std::vector<std::string>> bad = {
      {"--id", "0"},      {"--id", "248"},   {"--id", "0x10"},     {"--id", "1.5"},       {"--drop", "1.5"},
      {"--drop", "nan"},  {"--garbage", "half"}, {"--tcp", "65536"},   {"--tcp"},
      {"--seed", "-3"},   {"--pty="},        {"--wireless"},       {"--verbose=yes"},     {"--half=1"},
      {"--frobnicate"},   {"stray"},         {"--delay", "60001"}, {"--close-after", "0"},
      // Lists of units: each address once, --units instead of --id, only units that are served.
      {"--units", "1,2,2"}, {"--units", "1,,2"}, {"--units", "0"}, {"--units", "1,248"}, {"--units", "1,2", "--id", "3"},
      {"--fault-units", "2"}, {"--units", "1,2", "--signal-units", "3"},
  };
  for (const auto& args : bad) EXPECT_FALSE(Parse(args).error.empty()) << ::testing::PrintToString(args);
}

TEST(SimOptions, HelpIsAskedForAndExplainsTheFlags) {
  EXPECT_TRUE(Parse({"--help"}).options.help);
  EXPECT_TRUE(Parse({"-h"}).options.help);
  const std::string usage = SimUsage();
  EXPECT_EQ(usage.rfind("usage: kaviro-sim [options]\n", 0), 0u);
  EXPECT_NE(usage.find("  --drop P            leave an answer out\n"), std::string::npos) << usage;
}

}  // namespace
}  // namespace kaviro::sim
