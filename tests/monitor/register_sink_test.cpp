// Texts reach exactly the rows that show their register.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "answers.h"
#include "monitor/register_sink.h"

namespace kaviro {
namespace {

class RecordingSink : public RowSink {
 public:
  void SetRowValue(size_t row, const std::string& text) override { writes.emplace_back(row, text); }
  std::vector<std::pair<size_t, std::string>> writes;
};

using Writes = std::vector<std::pair<size_t, std::string>>;

TEST(SetRegisterText, ReachesEveryRowOfTheRegisterAndNoOther) {
  const struct {
    int language;
    uint16_t address;
    Writes writes;
  } cases[] = {
      {1, 0x0032, {{12, "t"}, {31, "t"}}}, {1, 0x0042, {{14, "t"}, {54, "t"}}}, {1, 0xE018, {{4, "t"}}},
      {1, 0x0047, {}},                     {1, kSeparatorAddress, {}},           {0, 0x0032, {{26, "t"}}},
      {0, 0xE080, {}},
  };
  for (const auto& c : cases) {
    RecordingSink sink;
    SetRegisterText(RegisterTableFor(c.language).value(), sink, c.address, "t");
    EXPECT_EQ(sink.writes, c.writes) << "language " << c.language << " address " << std::hex << c.address;
  }
}

// A full status block lands on every Chinese row of a register below 0x005A, and only there.
TEST(PlaceTexts, FillsTheRowsOfTheDecodedBlock) {
  const RegisterTable table = RegisterTableFor(1).value();
  DecodedValues values;
  const DecodedTexts texts = DecodeBlock(kBlockInput, test::Answer(kBlockInput, {{50, 2}}), test::kSerialChinese,
                                         values);
  RecordingSink sink;
  PlaceTexts(table, sink, texts);
  std::vector<size_t> rows;
  for (const auto& [row, text] : sink.writes) {
    rows.push_back(row);
    EXPECT_EQ(text, *test::TextFor(texts, table[row].address)) << row;
  }
  std::ranges::sort(rows);
  std::vector<size_t> expected;
  for (size_t row = 0; row < table.size(); ++row) {
    if (table[row].address < 0x005A) expected.push_back(row);
  }
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(sink.writes.size(), expected.size());
  for (const size_t row : {12, 31}) {
    EXPECT_NE(std::ranges::find(sink.writes, std::pair<size_t, std::string>(row, "浮充阶段")), sink.writes.end());
  }
}

}  // namespace
}  // namespace kaviro
