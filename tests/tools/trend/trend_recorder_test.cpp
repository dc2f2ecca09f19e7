// The trend's CSV files: a header per file, a file per day, other recordings left alone, and
// whole lines only, even when the recording process is killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "monitor/time_texts.h"
#include "scratch.h"
#include "tools/trend/trend_recorder.h"

namespace kaviro {
namespace {

using testing::ScratchDir;

const std::vector<TrendRegister> kColumns = {{0x0018, "蓄电池电压", "V"}, {0xE004, "跳出吸收充,浮充,进入快充电压", "V"}};
const std::string kHeader = "timestamp,蓄电池电压 (V),\"跳出吸收充,浮充,进入快充电压 (V)\"\r\n";

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
  t.tm_hour = hour, t.tm_min = minute, t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

TEST(TrendRecorder, OneFilePerDayEachWithItsHeader) {
  ScratchDir dir("diag");
  TrendRecorder recorder(dir.path(), kColumns);
  std::string error;
  const std::time_t late = LocalTime(2026, 12, 9, 23, 59, 59);
  ASSERT_TRUE(recorder.Record(late, {"12.50", std::nullopt}, error)) << error;
  ASSERT_TRUE(recorder.Record(late + 2, {"12.40", "13.80"}, error)) << error;
  ASSERT_TRUE(recorder.Record(late + 3, {std::nullopt, "13.90"}, error)) << error;
  EXPECT_EQ(recorder.file(), dir / "trend-2026-12-10.csv");

  const std::string first = FileText(dir / "trend-2026-12-09.csv");
  EXPECT_EQ(first, kHeader + LocalTimestamp(late) + ",12.50,\r\n");
  const std::string second = FileText(dir / "trend-2026-12-10.csv");
  EXPECT_EQ(second, kHeader + LocalTimestamp(late + 2) + ",12.40,13.80\r\n" + LocalTimestamp(late + 3) + ",,13.90\r\n");
}

TEST(TrendRecorder, AnEarlierFileOfTheDayIsContinuedOrLeftAlone) {
  const std::time_t noon = LocalTime(2026, 12, 9, 12, 0, 0);
  const std::string line = LocalTimestamp(noon) + ",1,2\r\n";
  const struct {
    const char* name;
    std::string before;           // trend-2026-12-09.csv before the recording
    const char* file;             // where the line goes
    std::string expectedInFile;   // what that file holds after
  } cases[] = {
      {"same columns: continued", kHeader + "old\r\n", "trend-2026-12-09.csv", kHeader + "old\r\n" + line},
      {"other columns: a file of its own", "timestamp,x (A)\r\nold\r\n", "trend-2026-12-09-2.csv", kHeader + line},
      {"last line cut short: it goes", kHeader + "old\r\nnew,1", "trend-2026-12-09.csv", kHeader + "old\r\n" + line},
      {"header cut short: written again", "timest", "trend-2026-12-09.csv", kHeader + line},
      {"empty: given the header", "", "trend-2026-12-09.csv", kHeader + line},
  };
  for (const auto& c : cases) {
    ScratchDir dir("diag");
    std::ofstream(dir / "trend-2026-12-09.csv", std::ios::binary) << c.before;
    TrendRecorder recorder(dir.path(), kColumns);
    std::string error;
    ASSERT_TRUE(recorder.Record(noon, {"1", "2"}, error)) << c.name << ": " << error;
    EXPECT_EQ(recorder.file(), dir / c.file) << c.name;
    EXPECT_EQ(FileText(dir / c.file), c.expectedInFile) << c.name;
    if (std::string(c.file) != "trend-2026-12-09.csv") {
      EXPECT_EQ(FileText(dir / "trend-2026-12-09.csv"), c.before) << c.name << ": the other recording untouched";
    }
  }
}

TEST(TrendRecorder, AFolderThatCannotBeWrittenSaysWhy) {
  TrendRecorder recorder("/nonexistent-kaviro-folder", kColumns);
  std::string error;
  EXPECT_FALSE(recorder.Record(std::time(nullptr), {"1", "2"}, error));
  EXPECT_NE(error.find("/nonexistent-kaviro-folder"), std::string::npos) << error;
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(TrendRecorder, KilledWhileRecordingLeavesOnlyWholeLines) {
  ScratchDir dir("diag");
  const std::time_t noon = LocalTime(2026, 12, 9, 12, 0, 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TrendRecorder recorder(dir.path(), kColumns);
    std::string error;
    for (;;) recorder.Record(noon, {"12.50", "13.80"}, error);
  }
  ::usleep(200 * 1000);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));

  // The next recording of the day carries on after the last whole line.
  TrendRecorder next(dir.path(), kColumns);
  std::string error;
  ASSERT_TRUE(next.Record(noon + 1, {"12.60", "13.90"}, error)) << error;
  EXPECT_EQ(next.file(), dir / "trend-2026-12-09.csv");
  const std::string text = FileText(next.file());
  ASSERT_EQ(text.rfind(kHeader, 0), 0u);
  const std::string line = LocalTimestamp(noon) + ",12.50,13.80\r\n";
  const std::string last = LocalTimestamp(noon + 1) + ",12.60,13.90\r\n";
  const std::string body = text.substr(kHeader.size());
  ASSERT_GE(body.size(), line.size() + last.size()) << "the child recorded nothing in 200 ms";
  ASSERT_EQ(body.compare(body.size() - last.size(), last.size(), last), 0);
  const size_t killed = body.size() - last.size();
  EXPECT_EQ(killed % line.size(), 0u) << "a line was cut";
  for (size_t at = 0; at + line.size() <= killed; at += line.size())
    ASSERT_EQ(body.compare(at, line.size(), line), 0) << "at byte " << at;
}

}  // namespace
}  // namespace kaviro
