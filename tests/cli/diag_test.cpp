// The link's counters and captures of kaviro-cli against the simulator's own account of its faults.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_fixture.h"
#include "diag/capture_format.h"
#include "diag/capture_reader.h"

namespace kaviro::testing {
namespace {

using ::kaviro::testing::PrintTo;  // for the table rows declared here

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

// A poll's three block reads in the capture: request and answer each, in the form of the mode.
struct CaptureCase {
  const char* name;
  Mode mode;
  size_t packets;
  uint16_t linkType;  // of the frames that carry Modbus
};

class PollCapture : public ::testing::TestWithParam<CaptureCase> {};

TEST_P(PollCapture, HoldsEveryFrameOfThePoll) {
  const CaptureCase& c = GetParam();
  TempDir dir;
  SimLink link;
  ASSERT_TRUE(link.Start(c.mode)) << link.sim().output();
  const std::string file = (dir.path() / "poll.pcap").string();
  const ChildResult r = CliOn(dir, link, {"poll", "--once", "--capture", file});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  const std::optional<diag::Capture> capture = diag::ReadCapture(file);
  ASSERT_TRUE(capture);
  EXPECT_FALSE(capture->truncated);
  ASSERT_EQ(capture->packets.size(), c.packets);
  std::vector<size_t> sizes;
  for (const diag::CapturedPacket& p : capture->packets) {
    if (p.linkType != c.linkType) continue;
    size_t size = p.data.size();
    if (p.linkType == diag::capture::kLinkEthernet) size = diag::ParseTcp(p.data)->payload.size() - 6 + 2;
    sizes.push_back(size);
  }
  // Requests of 8 bytes; answers of 90, 27 and 78 registers (counted as RTU frames with CRC).
  EXPECT_EQ(sizes, (std::vector<size_t>{8, 185, 8, 59, 8, 161}));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, PollCapture,
    ::testing::Values(CaptureCase{"Serial", Mode::kSerial, 6, diag::capture::kLinkRtu},
                      // the frames and the packets that carry them: 1 + 13, 1 + 4, 1 + 11
                      CaptureCase{"Wireless", Mode::kWireless, 6 + 3 + 28, diag::capture::kLinkRtu},
                      CaptureCase{"Network", Mode::kNetwork, 6, diag::capture::kLinkEthernet}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Capture, AFileThatCannotBeWrittenEndsEveryVerbWithTwo) {
  TempDir dir;
  SimLink link;
  ASSERT_TRUE(link.Start(Mode::kSerial)) << link.sim().output();
  const std::vector<std::vector<std::string>> verbs = {
      {"poll"}, {"info", "dip"}, {"param", "get", "load-hvd"}, {"mqtt", "--broker", "localhost"}};
  for (const std::vector<std::string>& verb : verbs) {
    const ChildResult r = CliOn(dir, link, Concat(verb, {"--capture", "/nonexistent-dir/x.pcap"}));
    ASSERT_TRUE(r.exited) << r;
    EXPECT_EQ(r.code, 2) << verb[0] << r;
    EXPECT_NE(r.err.find("cannot write the capture file /nonexistent-dir/x.pcap: No such file or directory"),
              std::string::npos)
        << r;
  }
}

}  // namespace
}  // namespace kaviro::testing
