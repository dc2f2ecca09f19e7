// --format csv and json read back by Python's own parsers, against the table of the same controller.
#include <gtest/gtest.h>

#include <map>

#include "cli_fixture.h"

namespace kaviro::testing {
namespace {

constexpr char kUnit = '\x1f';  // between the fields the parsers hand back

std::string ToLower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

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

// InfluxDB line protocol taken apart by hand: per line an L line (measurement, tags, time), per
// field an F line (key, type i/f/s, value).
constexpr const char* kInfluxReader = R"(
import sys
def cut(text, stops):
    part, quoted, i = '', False, 0
    while i < len(text):
        c = text[i]
        if c == '\\' and i + 1 < len(text):
            part += text[i + 1]; i += 2; continue
        if c == '"': quoted = not quoted
        elif c in stops and not quoted: return part, text[i + 1:]
        part += c; i += 1
    return part, ''
with open(sys.argv[1], encoding='utf-8') as f:
    for line in f:
        head, rest = cut(line.rstrip('\n'), ' ')
        fields, stamp = cut(rest, ' ')
        names = head.split(',')
        assert stamp.isdigit(), line
        print('\x1f'.join(['L', names[0], ';'.join(sorted(names[1:])), stamp]))
        while fields:
            field, fields = cut(fields, ',')
            key, value = field.split('=', 1)
            if value.startswith('"'): kind, value = 's', value[1:-1]
            elif value.endswith('i'): kind, value = 'i', str(int(value[:-1]))
            else: kind, value = 'f', repr(float(value))
            print('\x1f'.join(['F', key, kind, value]))
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

TEST_F(PollFormats, InfluxHasOneLinePerPollTypedByRegister) {
  const auto records = ParsedOutput({"poll", "--count", "3", "--interval", "0", "--format", "influx"}, kInfluxReader);
  // What the table shows, by field key: every register once.
  std::map<std::string, std::string> shown;
  for (const auto& row : table_.rows)
    if (!row[1].empty()) shown["reg_" + ToLower(row[1].substr(2))] = row[3];

  std::map<std::string, std::string> kinds;
  size_t lines = 0;
  for (const std::vector<std::string>& record : records) {
    if (record[0] == "L") {
      ++lines;
      EXPECT_EQ(record, (std::vector<std::string>{"L", "kaviro", "link=serial;unit=1", record[3]}));
      continue;
    }
    ASSERT_EQ(record.size(), 4u);
    const std::string& key = record[1];
    const std::string& kind = record[2];
    ASSERT_TRUE(shown.count(key)) << "no register row for field " << key;
    EXPECT_TRUE(kinds.emplace(key, kind).first->second == kind) << key << " changed its type";
    if (lines > 1) continue;  // values move between polls; types do not
    // The controller's clock ticks between the table's poll and this one.
    if (key == "reg_003e") continue;
    const std::string& text = shown[key];
    if (kind == "s") {
      EXPECT_EQ(record[3], text) << key;
    } else if (kind == "f") {
      EXPECT_NEAR(std::stod(record[3]), std::stod(text), 1e-9) << key;
    } else {
      EXPECT_EQ(std::stoll(record[3]), std::stoll(text, nullptr, text.rfind("0X", 0) == 0 ? 16 : 10)) << key;
    }
  }
  EXPECT_EQ(lines, 3u);
  const std::map<std::string, std::string> expected = {
      {"reg_0018", "f"}, {"reg_002c", "i"}, {"reg_0019", "s"}, {"reg_003e", "s"}, {"reg_0004", "i"}, {"reg_e080", "s"}};
  for (const auto& [key, kind] : expected) EXPECT_EQ(kinds[key], kind) << key;
  for (const auto& [key, text] : shown) {
    if (text.empty()) continue;
    EXPECT_TRUE(kinds.count(key)) << "register " << key << " shows " << text << " but is no field";
  }
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
