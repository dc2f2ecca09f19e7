// The link's counters and captures of kaviro-cli against the simulator's own account of its faults.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_fixture.h"

namespace kaviro::testing {
namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The last line of `text` that is a JSON object.
nlohmann::json LastJsonLine(const std::string& text) {
  const std::vector<std::string> lines = Lines(text);
  for (auto it = lines.rbegin(); it != lines.rend(); ++it)
    if (!it->empty() && it->front() == '{') return nlohmann::json::parse(*it);
  return nullptr;
}

TEST(PollStats, CountersEqualWhatTheSimulatorSpoilt) {
  TempDir dir;
  SimLink link;
  const std::string simLog = (dir.path() / "sim.log").string();
  link.sim().StderrTo(simLog);
  ASSERT_TRUE(link.Start(Mode::kSerial, {"--verbose", "--seed", "5", "--corrupt-crc", "0.05", "--drop", "0.01"}))
      << link.sim().output();
  const ChildResult r = RunChild(kCli, Concat({"poll", "--count", "200", "--interval", "0", "--stats", "--format", "json"},
                                              link.Options()),
                                 {.dir = dir.path(), .timeoutMs = 120000});
  ASSERT_TRUE(r.exited) << r;
  link.sim().Stop();
  const nlohmann::json stats = LastJsonLine(r.err);
  ASSERT_TRUE(stats.is_object()) << r.err;

  const std::string traffic = FileText(simLog);
  const size_t requests = CountOf(traffic, " <- ");
  const size_t spoilt = CountOf(traffic, "answer spoilt: crc");
  const size_t withheld = CountOf(traffic, "answer withheld");
  ASSERT_GT(spoilt, 0) << "the faults must happen for the test to mean anything";
  ASSERT_GT(withheld, 0);
  EXPECT_EQ(stats["requests"], requests);
  EXPECT_EQ(stats["crc_errors"], spoilt);
  EXPECT_EQ(stats["timeouts"], withheld);
  EXPECT_EQ(stats["answers"], requests - spoilt - withheld);
  EXPECT_EQ(stats["wrong_address"], 0);
  EXPECT_EQ(stats["malformed"], 0);
  EXPECT_GT(stats["rtt_min_ms"].get<double>(), 0.0);
  EXPECT_LE(stats["rtt_min_ms"].get<double>(), stats["rtt_p95_ms"].get<double>());
  EXPECT_LE(stats["rtt_p95_ms"].get<double>(), stats["rtt_max_ms"].get<double>());
}

TEST(PollStats, TextLinesWithoutJson) {
  TempDir dir;
  SimLink link;
  ASSERT_TRUE(link.Start(Mode::kNetwork)) << link.sim().output();
  const ChildResult r = CliOn(dir, link, {"poll", "--once", "--stats"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_NE(r.err.find("requests: 3\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("answers: 3\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("timeouts: 0\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("bytes_out: 36\n"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kaviro::testing
