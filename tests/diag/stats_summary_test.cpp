// The counters as the command line and the window show them.
#include <gtest/gtest.h>

#include "diag/stats_summary.h"

namespace kaviro::diag {
namespace {

LinkStatsSnapshot Busy() {
  LinkStatsSnapshot s;
  s.requests = 10;
  s.answers = 7;
  s.timeouts = 2;
  s.crcErrors = 1;
  s.exceptions = {{0x02, 1}, {0x04, 3}};
  s.bytesOut = 80;
  s.bytesIn = 1295;
  s.roundTrips = 7;
  s.rttMinUs = 10100;
  s.rttMeanUs = 17350;
  s.rttP95Us = 22000;
  s.rttMaxUs = 38700;
  s.lastError = "no answer";
  return s;
}

TEST(StatsSummary, JsonCarriesEveryFigureRoundTripsInMilliseconds) {
  const nlohmann::ordered_json j = StatsJson(Busy());
  EXPECT_EQ(j["requests"], 10);
  EXPECT_EQ(j["timeouts"], 2);
  EXPECT_EQ(j["crc_errors"], 1);
  EXPECT_EQ(j["exceptions"], (nlohmann::ordered_json{{"02", 1}, {"04", 3}}));
  EXPECT_DOUBLE_EQ(j["rtt_mean_ms"].get<double>(), 17.35);
  EXPECT_DOUBLE_EQ(j["rtt_p95_ms"].get<double>(), 22.0);
  EXPECT_EQ(j["last_error"], "no answer");
  // Nothing timed yet: no figure rather than a zero that looks measured.
  const nlohmann::ordered_json idle = StatsJson(LinkStatsSnapshot{});
  EXPECT_TRUE(idle["rtt_min_ms"].is_null());
  EXPECT_TRUE(idle["last_error"].is_null());
  EXPECT_EQ(idle["exceptions"], nlohmann::ordered_json::object());
}

TEST(StatsSummary, TextAndRowsAgree) {
  const LinkStatsSnapshot s = Busy();
  const std::string text = StatsText(s);
  for (const StatRow& row : StatRows(s))
    EXPECT_NE(text.find(std::string(row.key) + ": " + row.value + "\n"), std::string::npos) << row.key;
  EXPECT_NE(text.find("exceptions: 02×1, 04×3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("rtt_p95_ms: 22.0\n"), std::string::npos) << text;
  EXPECT_EQ(text.rfind("requests: 10\n", 0), 0u);
}

TEST(StatsSummary, TooltipLeavesOutWhatIsZero) {
  const std::string tip = StatsTooltip(Busy());
  EXPECT_NE(tip.find("超时: 2"), std::string::npos) << tip;
  EXPECT_NE(tip.find("CRC错误: 1"), std::string::npos) << tip;
  EXPECT_EQ(tip.find("地址错误"), std::string::npos) << tip;
  EXPECT_EQ(StatsTooltip(LinkStatsSnapshot{}), "无通讯");
}

}  // namespace
}  // namespace kaviro::diag
