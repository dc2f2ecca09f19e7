// --format csv and json read back by Python's own parsers, against the table of the same controller.
#include <gtest/gtest.h>

#include "cli_fixture.h"

namespace kaviro::testing {
namespace {

constexpr char kUnit = '\x1f';  // between the fields the parsers hand back

// Python's csv module: one line per record, fields joined by kUnit.
constexpr const char* kCsvReader = R"(
import csv, sys
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    for record in csv.reader(f, strict=True):
        print('\x1f'.join(record))
)";

// Python's json module: per object a P line (keys, timestamp, status, clock), per row an R line (keys, texts).
constexpr const char* kJsonReader = R"(
import json, sys
with open(sys.argv[1], encoding='utf-8') as f:
    for line in f:
        o = json.loads(line)
        print('\x1f'.join(['P', ','.join(sorted(o)), o['timestamp'], o['status'], o['clock']]))
        for r in o['rows']:
            print('\x1f'.join(['R', ','.join(sorted(r)), r['number'], r['address'], r['description'], r['value'], r['unit']]))
)";

const std::regex kTimestamp(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}[+-]\d{4})");

class PollFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    python_ = FindInPath("python3");
    if (!python_) GTEST_SKIP() << "python3 is not installed";
    ASSERT_TRUE(link_.Start(Mode::kSerial)) << link_.sim().output();
    const ChildResult table = CliOn(dir_, link_, {"poll", "--once"});
    ASSERT_TRUE(table.exited && table.code == 0) << table;
    const std::vector<PolledList> polls = ParseTablePolls(table.out);
    ASSERT_EQ(polls.size(), 1u);
    table_ = polls[0];
  }

  // The output of `args` in `format`, parsed back by `reader`: its records, split into fields.
  std::vector<std::vector<std::string>> ParsedOutput(const std::vector<std::string>& args, const char* reader,
                                                     std::string* raw = nullptr) {
    const ChildResult r = CliOn(dir_, link_, args);
    EXPECT_TRUE(r.exited && r.code == 0) << r;
    EXPECT_EQ(r.err, "");
    if (raw) *raw = r.out;
    WriteFileBytes(dir_ / "output", r.out);
    const ChildResult parsed =
        RunChild(*python_, {"-c", reader, (dir_ / "output").string()}, {.dir = dir_.path(), .env = {{"PYTHONIOENCODING", "utf-8"}}});
    EXPECT_TRUE(parsed.exited && parsed.code == 0) << "the parser refused the output:\n" << parsed;
    std::vector<std::vector<std::string>> records;
    for (const std::string& line : Lines(parsed.out)) records.push_back(Split(line, kUnit));
    return records;
  }

  // Everything but the values is what the table shows; the values of fixed registers agree too.
  void ExpectSameListAsTheTable(const PolledList& poll) {
    ExpectChineseList(poll);
    ASSERT_EQ(poll.rows.size(), table_.rows.size());
    for (size_t i = 0; i < poll.rows.size(); ++i)
      for (size_t c : {0, 1, 2, 4}) EXPECT_EQ(poll.rows[i][c], table_.rows[i][c]) << "row " << i + 1 << " column " << c;
  }

  std::optional<std::string> python_;
  SimLink link_;
  TempDir dir_;
  PolledList table_;
};

TEST_F(PollFormats, CsvHasAHeaderThenOneRecordPerRowAndPoll) {
  std::string raw;
  const auto records = ParsedOutput({"poll", "--count", "2", "--interval", "0", "--format", "csv"}, kCsvReader, &raw);
  ASSERT_EQ(records.size(), 1u + 2 * 74) << raw;
  EXPECT_EQ(records[0], (std::vector<std::string>{"timestamp", "number", "address", "description", "value", "unit"}));
  for (size_t poll = 0; poll < 2; ++poll) {
    SCOPED_TRACE("poll " + std::to_string(poll + 1));
    PolledList list;
    for (size_t i = 0; i < 74; ++i) {
      const std::vector<std::string>& record = records[1 + poll * 74 + i];
      ASSERT_EQ(record.size(), 6u);
      if (i == 0) list.timestamp = record[0];
      EXPECT_EQ(record[0], list.timestamp) << "one time stamp per poll";
      list.rows.push_back({record[1], record[2], record[3], record[4], record[5]});
    }
    EXPECT_TRUE(std::regex_match(list.timestamp, kTimestamp)) << list.timestamp;
    ExpectSameListAsTheTable(list);
  }
  // Descriptions with commas come back whole.
  EXPECT_EQ(records[1 + 28][3], "累计上电工作时间,Hi-Lo");
  for (size_t nl = raw.find('\n'); nl != std::string::npos; nl = raw.find('\n', nl + 1))
    ASSERT_TRUE(nl > 0 && raw[nl - 1] == '\r') << "records end with CR LF";
}

TEST_F(PollFormats, CsvWithoutHeaderForAppending) {
  const auto records = ParsedOutput({"poll", "--once", "--format", "csv", "--no-header"}, kCsvReader);
  ASSERT_EQ(records.size(), 74u);
  EXPECT_TRUE(std::regex_match(records[0][0], kTimestamp)) << records[0][0];
  EXPECT_EQ(records[0][1], "00001");
}

TEST_F(PollFormats, JsonHasOneObjectPerPoll) {
  const auto records = ParsedOutput({"poll", "--count", "2", "--interval", "0", "--format", "json"}, kJsonReader);
  std::vector<PolledList> polls;
  for (const std::vector<std::string>& record : records) {
    if (record[0] == "P") {
      ASSERT_EQ(record.size(), 5u);
      EXPECT_EQ(record[1], "clock,rows,status,timestamp");
      polls.push_back({.timestamp = record[2], .status = record[3], .clock = record[4], .rows = {}});
    } else {
      ASSERT_EQ(record.size(), 7u);
      ASSERT_FALSE(polls.empty());
      EXPECT_EQ(record[1], "address,description,number,unit,value");
      polls.back().rows.push_back({record[2], record[3], record[4], record[5], record[6]});
    }
  }
  ASSERT_EQ(polls.size(), 2u);
  for (const PolledList& poll : polls) {
    EXPECT_TRUE(std::regex_match(poll.timestamp, kTimestamp)) << poll.timestamp;
    EXPECT_EQ(poll.status.rfind("工作方式：串口", 0), 0u) << poll.status;
    EXPECT_NE(poll.status.find("采集间隔：0s"), std::string::npos) << "the interval given: " << poll.status;
    ExpectSameListAsTheTable(poll);
    ExpectClock(poll);
  }
}

}  // namespace
}  // namespace kaviro::testing
