#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "tools/chart/png_decode.h"
#include "tools/chart/raster_chart.h"
#include "tools/log/log_chart_data.h"

namespace kaviro::testing {
namespace {

using ::kaviro::testing::PrintTo;  // for the table rows declared here

constexpr const char* kLogHeadings[] = {"日期",    "工作时间(s)", "标志",   "故障",   "报警",    "最高电压",
                                        "最低电压", "最低温",     "最高温", "吸收(s)", "均衡(s)", "浮充(s)",
                                        "充电AH",  "充电KWH",     "负载S",  "负载AH", "负载KWH"};

using LogRows = std::vector<std::vector<std::string>>;

// The printed records: the heading line checked, the record rows returned.
LogRows PrintedRecords(const std::string& out) {
  LogRows rows = SplitAligned(Lines(out));
  EXPECT_FALSE(rows.empty());
  if (rows.empty()) return rows;
  EXPECT_EQ(rows[0], std::vector<std::string>(std::begin(kLogHeadings), std::end(kLogHeadings)));
  rows.erase(rows.begin());
  for (const auto& row : rows) {
    EXPECT_EQ(row.size(), 17u);
    for (const std::string& cell : row) EXPECT_FALSE(cell.empty()) << row[0];
  }
  return rows;
}

// What the log dialog saves for these rows: every cell followed by the separator, then the row
// end. The cells are ASCII, so their GBK bytes are their own.
std::string ExportBytes(const LogRows& rows, char separator, char rowEnd) {
  std::string bytes;
  for (const auto& row : rows) {
    for (const std::string& cell : row) {
      for (char c : cell) EXPECT_EQ(static_cast<unsigned char>(c) & 0x80, 0) << "not ASCII: " << cell;
      bytes += cell + separator;
    }
    bytes += rowEnd;
  }
  return bytes;
}

// The simulator dates its latest record the day before; a run across midnight may see either day.
void ExpectYesterday(const std::string& date, const std::string& yesterdayBefore) {
  const std::string yesterdayAfter = LocalDate(1);
  EXPECT_TRUE(date == yesterdayBefore || date == yesterdayAfter) << date << ", expected " << yesterdayAfter;
}

class LogEveryMode : public ::testing::TestWithParam<Mode> {
 protected:
  void SetUp() override { ASSERT_TRUE(link_.Start(GetParam())) << link_.sim().output(); }
  SimLink link_;
  TempDir dir_;
};

TEST_P(LogEveryMode, AllRecordsPrintedAndSavedForASpreadsheet) {
  const std::string yesterday = LocalDate(1);
  const ChildResult printed = CliOn(dir_, link_, {"log", "--all"});
  ASSERT_TRUE(printed.exited && printed.code == 0) << printed;
  EXPECT_EQ(printed.err, "");
  const LogRows rows = PrintedRecords(printed.out);
  ASSERT_EQ(rows.size(), 30u) << printed.out;
  ExpectYesterday(rows[0][0], yesterday);

  const ChildResult saved = CliOn(dir_, link_, {"log", "--all", "--xls", "records.xls"});
  ASSERT_TRUE(saved.exited && saved.code == 0) << saved;
  EXPECT_EQ(saved.out, "");
  EXPECT_EQ(ReadFileBytes(dir_ / "records.xls"), ExportBytes(rows, '\t', '\r'));
}

TEST_P(LogEveryMode, LatestRecordPrintedAndSavedAsText) {
  const std::string yesterday = LocalDate(1);
  const ChildResult printed = CliOn(dir_, link_, {"log", "--latest", "--id", "01"});
  ASSERT_TRUE(printed.exited && printed.code == 0) << printed;
  const LogRows rows = PrintedRecords(printed.out);
  ASSERT_EQ(rows.size(), 1u) << printed.out;
  ExpectYesterday(rows[0][0], yesterday);

  const ChildResult saved = CliOn(dir_, link_, {"log", "--latest", "--txt", "latest.txt"});
  ASSERT_TRUE(saved.exited && saved.code == 0) << saved;
  EXPECT_EQ(ReadFileBytes(dir_ / "latest.txt"), ExportBytes(rows, ' ', '\n'));
}

// The text export as records: each line a record, each cell followed by a blank.
std::vector<LogRow> ParseTextExport(const std::string& bytes) {
  std::vector<LogRow> rows;
  for (const std::string& line : Lines(bytes)) {
    std::vector<std::string> cells = Split(line, ' ');
    EXPECT_EQ(cells.back(), "") << line;
    cells.pop_back();
    EXPECT_EQ(cells.size(), kLogColumns) << line;
    LogRow row;
    std::copy_n(cells.begin(), std::min(cells.size(), kLogColumns), row.begin());
    rows.push_back(row);
  }
  return rows;
}

TEST(LogChart, SavedChartIsTheRenderingOfTheSavedRecords) {
  SimLink link;
  ASSERT_TRUE(link.Start(Mode::kNetwork)) << link.sim().output();
  TempDir dir;
  const ChildResult saved = CliOn(dir, link, {"log", "--all", "--txt", "t.txt", "--chart", "c.png"});
  ASSERT_TRUE(saved.exited && saved.code == 0) << saved;
  EXPECT_EQ(saved.out, "");
  const std::vector<LogRow> rows = ParseTextExport(ReadFileBytes(dir / "t.txt"));
  ASSERT_EQ(rows.size(), 30u);
  const DecodedPng png = DecodePng(ReadFileBytes(dir / "c.png"));
  ASSERT_EQ(png.error, "");
  const chart::RgbImage expected = chart::DrawChart(LogChartOf(rows));
  ASSERT_EQ(png.image.width, expected.width);
  ASSERT_EQ(png.image.height, expected.height);
  EXPECT_TRUE(png.image == expected) << "the saved chart differs from the records' chart";
}

INSTANTIATE_TEST_SUITE_P(Cli, LogEveryMode, ::testing::Values(Mode::kSerial, Mode::kWireless, Mode::kNetwork),
                         [](const auto& info) { return std::string(ModeName(info.param)); });

const CliFailure kLogFailures[] = {
    {"NothingToSave", Mode::kNetwork, {"--log-records", "0"}, false, {"log", "--all", "--xls", "none.xls"}, 3,
     "内容为空!\n"},
    {"FileCannotBeWritten", Mode::kNetwork, {}, false, {"log", "--all", "--txt", "no-such-dir/x.txt"}, 3,
     "无法创建文件：no-such-dir/x.txt\n"},
    {"NothingToChart", Mode::kNetwork, {"--log-records", "0"}, false, {"log", "--all", "--chart", "none.png"}, 3,
     "内容为空!\n"},
    {"ChartCannotBeWritten", Mode::kNetwork, {}, false, {"log", "--all", "--chart", "no-such-dir/c.png"}, 3,
     "无法创建文件：no-such-dir/c.png\n", ""},
    {"SilentSerialController", Mode::kSerial, {"--silent"}, false, {"log", "--latest"}, 3, "头格式不对!\n"},
    {"SilentNetworkController", Mode::kNetwork, {"--silent"}, false, {"log", "--latest"}, 3,
     "通讯失败，请检查连接或重新操作！\n"},
    {"MissingDevice", Mode::kWireless, {}, true, {"log", "--all"}, 2,
     "串口或被占用无法打开！\r\n请关闭占用此串口的程序，在重新打开本程序!\n"},
    {"NothingListens", Mode::kNetwork, {}, true, {"log", "--latest"}, 2, "连接服务器失败!\n"},
};

INSTANTIATE_TEST_SUITE_P(Log, CliFailures, ::testing::ValuesIn(kLogFailures), CliFailureName);


struct Usage {
  const char* name;
  std::vector<std::string> args;
  int status;
  const char* stderrText;  // appears in stderr
};

// None of these reach a link: opening one (there is none here) would end in status 2.
const Usage kUsages[] = {
    {"NoCommand", {}, 1, "usage: kaviro-cli <command>"},
    {"UnknownCommand", {"frobnicate"}, 1, "unknown command frobnicate"},
    {"LogWithoutLatestOrAll", {"log"}, 1, "kaviro-cli log --latest|--all"},
    {"LogHexAddressNotHex", {"log", "--all", "--id", "ZZ"}, 1, "ModBus地址，16进制数据请输入0~9或a~f或A~F的值。\n"},
    {"LogHexAddressOneDigit", {"log", "--all", "--id", "1"}, 1,
     "ModBus地址，只能输入两个16进制字符，开头可以是0，例如：01\n"},
    {"LogTwoFiles", {"log", "--all", "--txt", "a", "--xls", "b"}, 1, "--txt excludes --xls"},
    {"LogChartWithoutFile", {"log", "--all", "--chart"}, 1, "--chart: 1 required"},
    {"PollUnknownFormat", {"poll", "--format", "xml"}, 1, "--format: table, csv, json or influx"},
    {"PollUnknownMode", {"poll", "--mode", "bluetooth"}, 1, "--mode: serial, network or wireless"},
    {"PollComOutOfRange", {"poll", "--com", "0"}, 1, "--com: a whole number from 1 to 255"},
    {"PollIdOutOfRange", {"poll", "--id=248"}, 1, "--id: a whole number from 1 to 247"},
    {"PollBadHost", {"poll", "--host", "300.1.1.1"}, 1, "--host: a dotted address"},
    {"PollMissingValue", {"poll", "--interval"}, 1, "--interval: 1 required"},
    {"PollUnknownOption", {"poll", "--verbose"}, 1, "not expected: --verbose"},
};

class CliUsage : public ::testing::TestWithParam<Usage> {};

TEST_P(CliUsage, BadUsageEndsBeforeAnyLink) {
  const Usage& u = GetParam();
  TempDir dir;
  const ChildResult r = Cli(dir, u.args);
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, u.status) << r;
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(u.stderrText), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Cli, CliUsage, ::testing::ValuesIn(kUsages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliUsage, HelpGoesToStdout) {
  TempDir dir;
  for (const char* command : {"poll", "log"}) {
    const ChildResult r = Cli(dir, {command, "--help"});
    ASSERT_TRUE(r.exited && r.code == 0) << r;
    EXPECT_EQ(r.out.rfind(std::string("kaviro-cli ") + command, 0), 0u) << r.out;
    EXPECT_NE(r.out.find("--mode serial|network|wireless"), std::string::npos);
    EXPECT_EQ(r.err, "");
  }
}

}  // namespace
}  // namespace kaviro::testing
