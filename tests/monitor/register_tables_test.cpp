// The two register lists: their shape, their duplicate registers and a few exact texts.
#include <gtest/gtest.h>

#include <algorithm>

#include "monitor/register_tables.h"

namespace kaviro {
namespace {

using Rows = std::vector<size_t>;

RegisterTable Table(int language) { return RegisterTableFor(language).value(); }

Rows SeparatorRows(RegisterTable table) {
  Rows rows;
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].address == kSeparatorAddress) rows.push_back(i);
  }
  return rows;
}

struct LanguageCase {
  int language;
  std::optional<size_t> rows;
};

void PrintTo(const LanguageCase& c, std::ostream* os) { *os << "language " << c.language; }

class RegisterTableForTest : public testing::TestWithParam<LanguageCase> {};

TEST_P(RegisterTableForTest, PicksTheTableOfTheLanguage) {
  const auto table = RegisterTableFor(GetParam().language);
  ASSERT_EQ(table.has_value(), GetParam().rows.has_value());
  if (table) {
    EXPECT_EQ(table->size(), *GetParam().rows);
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, RegisterTableForTest,
                         testing::Values(LanguageCase{0, 44}, LanguageCase{1, 74}, LanguageCase{2, std::nullopt},
                                         LanguageCase{-1, std::nullopt}));

TEST(RegisterTables, SeparatorsSplitTheChineseListIntoFourSections) {
  EXPECT_EQ(SeparatorRows(Table(0)), Rows{});
  EXPECT_EQ(SeparatorRows(Table(1)), (Rows{29, 52, 67}));
  for (const size_t row : SeparatorRows(Table(1))) {
    EXPECT_EQ(Table(1)[row].description, "");
    EXPECT_EQ(Table(1)[row].unit, "");
  }
}

TEST(RegisterTables, SeparatorAddressMatchesNoRow) {
  for (const int language : {0, 1}) EXPECT_EQ(RowsForAddress(Table(language), kSeparatorAddress), Rows{});
}

struct RowsCase {
  int language;
  uint16_t address;
  Rows rows;
};

TEST(RegisterTables, RowsForAddressFindsEveryRowInOrder) {
  const RowsCase cases[] = {
      {1, 0x0032, {12, 31}}, {1, 0x0027, {20, 32}}, {1, 0x001D, {21, 56}}, {1, 0x0039, {22, 36}},
      {1, 0x003B, {23, 66}}, {1, 0x0021, {13, 53}}, {1, 0x0042, {14, 54}}, {1, 0xE086, {73}},
      {1, 0x0047, {}},       {1, 0x0041, {}},       {0, 0x0041, {38}},     {0, 0xE080, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RowsForAddress(Table(c.language), c.address), c.rows)
        << "language " << c.language << " address " << std::hex << c.address;
  }
}

// Apart from the listed pairs, no register appears twice.
TEST(RegisterTables, OnlyTheListedRegistersRepeat) {
  const uint16_t repeated[] = {0x0032, 0x0027, 0x001D, 0x0039, 0x003B, 0x0021, 0x0042};
  for (const int language : {0, 1}) {
    for (const auto& row : Table(language)) {
      if (row.address == kSeparatorAddress) continue;
      const bool listed = language == 1 && std::ranges::find(repeated, row.address) != std::end(repeated);
      EXPECT_EQ(RowsForAddress(Table(language), row.address).size(), listed ? 2u : 1u)
          << "language " << language << " address " << std::hex << row.address;
    }
  }
}

struct TextCase {
  int language;
  size_t row;
  uint16_t address;
  std::string_view description;
  std::string_view unit;
};

TEST(RegisterTables, TextsAreKeptExactly) {
  const TextCase cases[] = {
      {0, 15, 0x0024, "RTS  Temperature  0x80=disconnect", "C"},
      {0, 28, 0x0034, "AH Charge resetble HI-LO ", "Ah"},
      {1, 15, 0x0018, "蓄电池电压（滤波t=？s）", "V"},
      {1, 43, 0xE006, "EV_reg < > EV_eq连续时间,不再均衡", "s"},
      {1, 44, 0xE00B, "自上次执行均衡后的天数，到期提醒", "days"},
      {1, 59, 0xE011, "负载低压断开@25°C", "V"},
      {1, 69, 0x003E, "RTC秒计算值", "秒"},
  };
  for (const auto& c : cases) {
    const RegisterDescriptor& row = Table(c.language)[c.row];
    EXPECT_EQ(row.address, c.address) << c.description;
    EXPECT_EQ(row.description, c.description);
    EXPECT_EQ(row.unit, c.unit) << c.description;
  }
}

TEST(ChargingStateName, NamesTheTenStatesAndNothingElse) {
  const struct { int value; std::string_view name; } cases[] = {
      {0, "快速充电阶段"}, {3, "均衡充电状态"}, {4, "NIGHT"}, {9, "EQUALIZE"},
      {10, "none"},        {65535, "none"},     {-1, "none"},
  };
  for (const auto& c : cases) EXPECT_EQ(ChargingStateName(c.value), c.name) << c.value;
}

}  // namespace
}  // namespace kaviro
