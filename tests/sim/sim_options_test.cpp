#include <gtest/gtest.h>

#include "sim/sim_options.h"

namespace kaviro::sim {
namespace {

ParsedOptions Parse(std::vector<std::string> args) { return ParseSimOptions(args); }

TEST(SimOptions, DefaultsServeTcpOn1502) {
  const ParsedOptions p = Parse({});
  ASSERT_TRUE(p.error.empty());
  EXPECT_EQ(p.options.tcpPort, kDefaultTcpPort);
  EXPECT_FALSE(p.options.ptyPath);
  EXPECT_EQ(p.options.unit, 1);
  EXPECT_EQ(p.options.logRecords, 30);
}

TEST(SimOptions, ReadsEveryOptionInBothSpellings) {
  const ParsedOptions p = Parse({"--pty", "/tmp/x", "--wireless", "--tcp=0", "--bind", "0.0.0.0", "--id", "247", "--log-records=5",
                                 "--restart-ms", "1500",
                                 "--drop", "0.25", "--corrupt-crc", "1", "--garbage=0", "--wrong-id", "0.5", "--wrong-tid", "0.1",
                                 "--split", "--delay", "20", "--close-after", "3", "--pace", "--seed", "99", "--verbose", "--silent",
                                 "--forget-writes", "--locked"});
  ASSERT_TRUE(p.error.empty()) << p.error;
  const SimOptions& o = p.options;
  EXPECT_EQ(o.ptyPath, "/tmp/x");
  EXPECT_EQ(o.tcpPort, 0);
  EXPECT_EQ(o.bind, "0.0.0.0");
  EXPECT_TRUE(o.wireless && o.pace && o.verbose && o.faults.silent && o.faults.split && o.forgetWrites && o.locked);
  EXPECT_EQ(o.unit, 247);
  EXPECT_EQ(o.logRecords, 5);
  EXPECT_EQ(o.restartMs, 1500);
  EXPECT_DOUBLE_EQ(o.faults.drop, 0.25);
  EXPECT_DOUBLE_EQ(o.faults.corruptCrc, 1.0);
  EXPECT_DOUBLE_EQ(o.faults.wrongId, 0.5);
  EXPECT_DOUBLE_EQ(o.faults.wrongTid, 0.1);
  EXPECT_EQ(o.faults.delayMs, 20);
  EXPECT_EQ(o.closeAfter, 3);
  EXPECT_EQ(o.seed, 99u);
}

TEST(SimOptions, ReadsTheShapeFaults) {
  const ParsedOptions p = Parse({"--exception", "1", "--oversize=0.5", "--leading", "3", "--trailing=7", "--half", "--half-close",
                                 "--echo", "--fault-answers", "2"});
  ASSERT_TRUE(p.error.empty()) << p.error;
  const FaultSettings& f = p.options.faults;
  EXPECT_DOUBLE_EQ(f.exception, 1.0);
  EXPECT_DOUBLE_EQ(f.oversize, 0.5);
  EXPECT_EQ(f.leading, 3);
  EXPECT_EQ(f.trailing, 7);
  EXPECT_TRUE(f.half && f.halfClose && f.echo);
  EXPECT_EQ(f.faultAnswers, 2);
}

TEST(SimOptions, PtyAloneServesNoTcp) {
  const ParsedOptions p = Parse({"--pty", "/tmp/x"});
  ASSERT_TRUE(p.error.empty());
  EXPECT_FALSE(p.options.tcpPort);
}

TEST(SimOptions, RefusesBadCommandLines) {
  const std::vector<std::vector<std::string>> bad = {
      {"--id", "0"},          {"--id", "248"},        {"--id", "x"},        {"--drop", "1.5"},      {"--drop", "-0.1"},
      {"--garbage", "half"},  {"--tcp", "65536"},     {"--tcp"},            {"--log-records", "-1"}, {"--delay", "60001"},
      {"--close-after", "0"}, {"--wireless"},         {"--verbose=yes"},    {"--frobnicate"},        {"--seed", "-3"},
      {"--restart-ms", "60001"}, {"--exception", "2"},  {"--leading", "1001"}, {"--trailing", "-1"},  {"--fault-answers", "x"},
      {"--half=1"},            {"--oversize"},
  };
  for (const auto& args : bad) EXPECT_FALSE(Parse(args).error.empty()) << args[0];
}

TEST(SimOptions, HelpNamesEveryOption) {
  EXPECT_TRUE(Parse({"--help"}).options.help);
  const std::string usage = SimUsage();
  for (const char* name : {"--pty", "--tcp", "--wireless", "--id", "--log-records", "--restart-ms", "--silent", "--drop", "--corrupt-crc", "--garbage",
                           "--wrong-id", "--wrong-tid", "--split", "--delay", "--close-after", "--forget-writes", "--pace", "--seed",
                           "--verbose", "--locked", "--help", "--exception", "--oversize", "--leading", "--trailing", "--half",
                           "--half-close", "--echo", "--fault-answers"})
    EXPECT_NE(usage.find(name), std::string::npos) << name;
}

}  // namespace
}  // namespace kaviro::sim
