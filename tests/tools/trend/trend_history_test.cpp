// What the trend follows: which rows are numbers, what it opens with, the samples a poll leaves
// and the axes they need.
#include <gtest/gtest.h>

#include <set>

#include "tools/trend/trend_history.h"

namespace kaviro {
namespace {

TEST(TrendNumber, OnlyTextsThatAreWholeNumbers) {
  const struct {
    const char* text;
    std::optional<double> number;
  } cases[] = {
      {"12.34", 12.34}, {" 5 ", 5.0},  {"-3.5", -3.5},  {"0X0080", std::nullopt}, {"-", std::nullopt},
      {"", std::nullopt}, {"  ", std::nullopt}, {"快速充电阶段", std::nullopt}, {"12.3V", std::nullopt},
      {"1e400", std::nullopt}, {"nan", std::nullopt}, {"inf", std::nullopt}, {"18:30:00", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TrendNumber(c.text), c.number) << c.text;
}

TEST(TrendableRegisters, NumbersWithAUnitEachOnceInListOrder) {
  for (int language : {0, 1}) {
    const RegisterTable table = *RegisterTableFor(language);
    const std::vector<TrendRegister> found = TrendableRegisters(table);
    std::set<uint16_t> seen;
    for (const TrendRegister& r : found) {
      EXPECT_TRUE(seen.insert(r.address).second) << r.name;
      EXPECT_NE(r.unit, "-") << r.name;
      EXPECT_FALSE(r.unit.empty()) << r.name;
    }
    // Every row with a unit is followed, under the name of its first row.
    for (const RegisterDescriptor& row : table) {
      if (row.address != kSeparatorAddress && row.unit != "-") {
        EXPECT_TRUE(seen.count(row.address)) << row.description;
      }
    }
  }
  const std::vector<TrendRegister> chinese = TrendableRegisters(*RegisterTableFor(1));
  EXPECT_EQ(chinese.front(), (TrendRegister{0x0049, "无线RTS温度", "C"}));
}

TEST(DefaultTrendRegisters, TheFourEachListHas) {
  const struct {
    int language;
    std::vector<uint16_t> addresses;
  } cases[] = {
      {0, {0x0018, 0x001B, 0x0027, 0x003A}},  // battery, array voltage, charging current, output power
      {1, {0x0018, 0x0027, 0x001B, 0x001D}},  // no PV voltage nor load power: load voltage and current
      {7, {}},
  };
  for (const auto& c : cases) {
    std::vector<uint16_t> got;
    for (const TrendRegister& r : DefaultTrendRegisters(c.language)) got.push_back(r.address);
    EXPECT_EQ(got, c.addresses) << c.language;
  }
  EXPECT_EQ(DefaultTrendRegisters(0)[3].name, "Output Power");
}

DecodedTexts Block(std::vector<RegisterText> registers) { return {std::move(registers), std::nullopt, std::nullopt}; }

const std::vector<TrendRegister> kFollowed = {
    {0x0018, "battery", "V"}, {0x0027, "charge", "A"}, {0x001B, "load", "V"}, {0x0032, "state", "V"}};

TEST(TrendHistory, APollsBlocksMakeOneSampleEachAndTheRowOfTexts) {
  TrendHistory h(kFollowed, 60000);
  h.Take(Block({{0x0018, "12.50"}, {0x0032, "浮充阶段"}}));
  h.Take(Block({{0x0027, "3.2"}, {0x0018, "12.60"}}));  // the later block's text wins
  const std::optional<TrendHistory::Row> row = h.EndPoll(1000);
  ASSERT_TRUE(row);
  EXPECT_EQ(*row, (TrendHistory::Row{"12.60", "3.2", std::nullopt, std::nullopt}));
  ASSERT_EQ(h.Samples(0).size(), 1u);
  EXPECT_EQ(h.Samples(0)[0].ms, 1000);
  EXPECT_DOUBLE_EQ(h.Samples(0)[0].value, 12.60);
  EXPECT_TRUE(h.Samples(2).empty());
  EXPECT_TRUE(h.Samples(3).empty()) << "a state is no number";

  // A poll that brought nothing followed (a failed read) leaves no row and nothing carried over.
  EXPECT_FALSE(h.EndPoll(2000));
  h.Take(Block({{0x001B, "13.1"}}));
  EXPECT_EQ(*h.EndPoll(3000), (TrendHistory::Row{std::nullopt, std::nullopt, "13.1", std::nullopt}));
  EXPECT_EQ(h.Samples(0).size(), 1u);
}

TEST(TrendHistory, KeepsTheSpanOnly) {
  TrendHistory h(kFollowed, 10000);
  for (int64_t t = 0; t <= 30000; t += 1000) {
    h.Take(Block({{0x0018, std::to_string(t)}}));
    h.EndPoll(t);
  }
  EXPECT_EQ(h.Samples(0).front().ms, 20000);
  EXPECT_EQ(h.Samples(0).size(), 11u);
  h.SetSpan(5000);  // shortened: at once, from the latest sample
  EXPECT_EQ(h.Samples(0).front().ms, 25000);
  h.SetSpan(60000);  // lengthened: what went stays gone
  EXPECT_EQ(h.Samples(0).size(), 6u);
}

TEST(TrendHistory, OneAxisPerUnitHoldingEveryShownSample) {
  TrendHistory h(kFollowed, 60000);
  const std::pair<const char*, const char*> polls[] = {{"12.0", "1.0"}, {"14.0", "1.0"}, {"13.0", "1.0"}};
  int64_t t = 0;
  for (const auto& [volts, amps] : polls) {
    h.Take(Block({{0x0018, volts}, {0x0027, amps}, {0x001B, "0"}}));
    h.EndPoll(t += 1000);
  }
  const std::vector<TrendAxis> axes = h.Axes({0, 1, 2});
  ASSERT_EQ(axes.size(), 2u);
  EXPECT_EQ(axes[0].unit, "V");
  EXPECT_EQ(axes[0].series, (std::vector<size_t>{0, 2}));
  EXPECT_LT(axes[0].low, 0.0);  // the load's 0 V is on it too
  EXPECT_GT(axes[0].high, 14.0);
  EXPECT_EQ(axes[1].unit, "A");
  EXPECT_LT(axes[1].low, 1.0) << "a flat line is not drawn on the frame";
  EXPECT_GT(axes[1].high, 1.0);

  const std::vector<TrendAxis> batteryOnly = h.Axes({0});
  ASSERT_EQ(batteryOnly.size(), 1u);
  EXPECT_GE(batteryOnly[0].low, 11.0);
  EXPECT_LT(batteryOnly[0].low, 12.0);
  EXPECT_LE(batteryOnly[0].high, 15.0);

  const std::vector<TrendAxis> empty = h.Axes({3});  // no samples: still a range to draw
  ASSERT_EQ(empty.size(), 1u);
  EXPECT_LT(empty[0].low, empty[0].high);
  EXPECT_TRUE(h.Axes({}).empty());
}

}  // namespace
}  // namespace kaviro
