#pragma once
// kaviro-cli against kaviro-sim: the simulator for each work mode with the options that reach it,
// and readers for what the command prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "sim/sim_process.h"

namespace kaviro::testing {

inline const std::string kCli = KAVIRO_CLI_PATH;
inline const std::string kSimBinary = KAVIRO_SIM_PATH;

enum class Mode { kSerial, kSerialCom, kWireless, kNetwork };

inline const char* ModeName(Mode mode) {
  switch (mode) {
    case Mode::kSerial: return "Serial";
    case Mode::kSerialCom: return "SerialViaCom";
    case Mode::kWireless: return "Wireless";
    case Mode::kNetwork: return "Network";
  }
  return "?";
}

// Test names and ctest entries show the mode, not its bytes.
inline void PrintTo(Mode mode, std::ostream* os) { *os << ModeName(mode); }

// Table rows print as their name.
template <typename Case>
  requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

// A simulator serving one work mode, and the link options and environment that reach it.
class SimLink {
 public:
  bool Start(Mode mode, const std::vector<std::string>& faults = {}) {
    mode_ = mode;
    std::vector<std::string> args;
    if (mode == Mode::kNetwork) {
      args = {"--tcp", "0"};
    } else {
      pty_ = SimProcess::UniquePath("cli");
      args = {"--pty", pty_};
      if (mode == Mode::kWireless) args.push_back("--wireless");
    }
    args.insert(args.end(), faults.begin(), faults.end());
    return sim_.Start(kSimBinary, args);
  }

  std::vector<std::string> Options() const {
    switch (mode_) {
      case Mode::kSerial: return {"--mode", "serial", "--device", pty_};
      case Mode::kSerialCom: return {"--mode", "serial", "--com", "5"};
      case Mode::kWireless: return {"--mode", "wireless", "--device", pty_};
      case Mode::kNetwork:
        return {"--mode", "network", "--host", "127.0.0.1", "--port", std::to_string(sim_.tcpPort())};
    }
    return {};
  }
  std::map<std::string, std::string> Env() const {
    if (mode_ == Mode::kSerialCom) return {{"KAVIRO_COM5", pty_}};
    return {};
  }

  SimProcess& sim() { return sim_; }
  const std::string& pty() const { return pty_; }

 private:
  Mode mode_ = Mode::kSerial;
  std::string pty_;
  SimProcess sim_;
};

inline std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// kaviro-cli run to the end in `dir`.
inline ChildResult Cli(const TempDir& dir, const std::vector<std::string>& args,
                       const std::map<std::string, std::string>& env = {}) {
  return RunChild(kCli, args, {.dir = dir.path(), .env = env});
}

inline ChildResult CliOn(const TempDir& dir, const SimLink& link, const std::vector<std::string>& args) {
  return Cli(dir, Concat(args, link.Options()), link.Env());
}

// How often `part` occurs in `text`, not overlapping.
inline size_t CountOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

// Terminal columns of a code point: East Asian wide and full-width forms take two.
inline int CodePointWidth(char32_t c) {
  const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                    (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                    (c >= 0xFFE0 && c <= 0xFFE6);
  return wide ? 2 : 1;
}

// One entry per terminal column: the byte offset of the code point drawn there (wide ones fill two).
inline std::vector<size_t> ColumnOffsets(const std::string& line) {
  std::vector<size_t> columns;
  for (size_t i = 0; i < line.size();) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    char32_t c = len == 1 ? lead : lead & (0x3F >> (len - 1));
    for (size_t k = 1; k < len && i + k < line.size(); ++k) c = (c << 6) | (line[i + k] & 0x3F);
    for (int w = CodePointWidth(c); w > 0; --w) columns.push_back(i);
    i += len;
  }
  return columns;
}

// Splits lines printed in aligned columns: a column starts where every line has at least two
// blanks (or has ended) just before it and some line has text. Cells lose their trailing blanks.
inline std::vector<std::vector<std::string>> SplitAligned(const std::vector<std::string>& lines) {
  std::vector<std::vector<size_t>> offsets;
  size_t width = 0;
  for (const std::string& line : lines) {
    offsets.push_back(ColumnOffsets(line));
    width = std::max(width, offsets.back().size());
  }
  auto blankAt = [&](size_t row, size_t col) {
    return col >= offsets[row].size() || lines[row][offsets[row][col]] == ' ';
  };
  std::vector<size_t> starts{0};
  for (size_t col = 2; col < width; ++col) {
    bool gapBefore = true;
    bool textHere = false;
    for (size_t r = 0; r < lines.size(); ++r) {
      gapBefore = gapBefore && blankAt(r, col - 1) && blankAt(r, col - 2);
      textHere = textHere || !blankAt(r, col);
    }
    if (gapBefore && textHere) starts.push_back(col);
  }
  std::vector<std::vector<std::string>> rows;
  for (size_t r = 0; r < lines.size(); ++r) {
    std::vector<std::string> cells;
    for (size_t c = 0; c < starts.size(); ++c) {
      const size_t from = starts[c];
      const size_t to = c + 1 < starts.size() ? starts[c + 1] : offsets[r].size();
      std::string cell;
      if (from < offsets[r].size()) {
        const size_t begin = offsets[r][from];
        const size_t end = to < offsets[r].size() ? offsets[r][to] : lines[r].size();
        cell = lines[r].substr(begin, end - begin);
      }
      while (!cell.empty() && cell.back() == ' ') cell.pop_back();
      cells.push_back(cell);
    }
    rows.push_back(cells);
  }
  return rows;
}

// The five texts of a main list row: number, address, description, value, unit.
using ListRow = std::array<std::string, 5>;

struct PolledList {
  std::string timestamp;  // csv and json
  std::string status;     // json
  std::string clock;
  std::vector<ListRow> rows;
};

inline constexpr const char* kClockPrefix = "控制器当前时间：";

// `--format table`: each poll is its aligned rows, then the clock line.
inline std::vector<PolledList> ParseTablePolls(const std::string& out) {
  std::vector<PolledList> polls;
  std::vector<std::string> pending;
  for (const std::string& line : Lines(out)) {
    if (line.rfind(kClockPrefix, 0) != 0) {
      pending.push_back(line);
      continue;
    }
    PolledList poll;
    poll.clock = line;
    for (const auto& cells : SplitAligned(pending)) {
      EXPECT_LE(cells.size(), 5u) << "more columns than the list has: " << cells[0];
      ListRow row;
      for (size_t c = 0; c < std::min<size_t>(5, cells.size()); ++c) row[c] = cells[c];
      poll.rows.push_back(row);
    }
    polls.push_back(poll);
    pending.clear();
  }
  EXPECT_TRUE(pending.empty()) << "rows after the last clock line: " << pending.size();
  return polls;
}

struct Fixed {
  size_t row;  // from 1
  const char* address;
  const char* value;
};

// The simulator's fixed defaults as the Chinese list shows them.
inline constexpr Fixed kChineseFixed[] = {
    {4, "0X0004", "1"},         {6, "0X0028", "10.00"},     {7, "0X0029", "16.00"},
    {27, "0X002E", "0X0020"},   {28, "0X002C", "0X0080"},   {38, "0X003C", "30.000"},
    {71, "0XE080", "18:30:00"}, {72, "0XE082", "23:00:00"},
};
inline constexpr size_t kChineseSeparators[] = {30, 53, 68};

// The same registers in the English table, found by address.
inline constexpr Fixed kEnglishFixed[] = {
    {0, "0X0004", "1"},      {0, "0X0028", "10.00"},  {0, "0X0029", "16.00"},
    {0, "0X002C", "0X0080"}, {0, "0X002E", "0X0020"}, {0, "0X003C", "30.000"},
};

inline std::string Number(size_t row) {
  char text[24];
  std::snprintf(text, sizeof text, "%05zu", row);
  return text;
}

// Rows that show the same register show the same text.
inline void ExpectDuplicatesAgree(const PolledList& poll) {
  std::map<std::string, std::string> byAddress;
  for (const ListRow& row : poll.rows) {
    if (row[1].empty()) continue;
    const auto [it, first] = byAddress.emplace(row[1], row[3]);
    EXPECT_EQ(it->second, row[3]) << "register " << row[1] << " shows two texts";
  }
}

// The clock line is the controller clock register's text.
inline void ExpectClock(const PolledList& poll) {
  static const std::regex kDateTime(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})");
  const auto clockRow = std::find_if(poll.rows.begin(), poll.rows.end(), [](const ListRow& r) { return r[1] == "0X003E"; });
  ASSERT_NE(clockRow, poll.rows.end());
  EXPECT_TRUE(std::regex_match((*clockRow)[3], kDateTime)) << (*clockRow)[3];
  EXPECT_EQ(poll.clock, kClockPrefix + (*clockRow)[3]);
}

inline void ExpectChineseList(const PolledList& poll) {
  ASSERT_EQ(poll.rows.size(), 74u);
  static const std::regex kAddress("0X[0-9A-F]{4}");
  const std::set<size_t> separators(std::begin(kChineseSeparators), std::end(kChineseSeparators));
  for (size_t i = 0; i < poll.rows.size(); ++i) {
    const ListRow& row = poll.rows[i];
    SCOPED_TRACE("row " + std::to_string(i + 1));
    if (separators.count(i + 1)) {
      EXPECT_EQ(row, ListRow{});
      continue;
    }
    EXPECT_EQ(row[0], Number(i + 1));
    EXPECT_TRUE(std::regex_match(row[1], kAddress)) << row[1];
    EXPECT_FALSE(row[2].empty());
    EXPECT_FALSE(row[3].empty()) << "no value after a successful poll";
    EXPECT_FALSE(row[4].empty());
  }
  for (const Fixed& f : kChineseFixed) {
    EXPECT_EQ(poll.rows[f.row - 1][1], f.address) << "row " << f.row;
    EXPECT_EQ(poll.rows[f.row - 1][3], f.value) << "row " << f.row;
  }
  EXPECT_EQ(poll.rows[12][1], "0X0032");
  EXPECT_EQ(poll.rows[31][1], "0X0032");
  ExpectDuplicatesAgree(poll);
}

inline void ExpectEnglishList(const PolledList& poll) {
  ASSERT_EQ(poll.rows.size(), 44u);
  std::map<std::string, std::string> byAddress;
  for (size_t i = 0; i < poll.rows.size(); ++i) {
    EXPECT_EQ(poll.rows[i][0], Number(i + 1));
    EXPECT_FALSE(poll.rows[i][2].empty()) << "row " << i + 1;
    byAddress[poll.rows[i][1]] = poll.rows[i][3];
  }
  for (const Fixed& f : kEnglishFixed) EXPECT_EQ(byAddress[f.address], f.value) << f.address;
  ExpectDuplicatesAgree(poll);
}

// A config.txt record: seven little-endian 32-bit fields and the signature.
inline std::string ConfigRecord(int32_t comPort, int32_t deviceId, int32_t interval, int32_t language,
                                int32_t battery, uint32_t ip, int32_t workMode) {
  std::string bytes;
  for (const uint32_t v : {static_cast<uint32_t>(comPort), static_cast<uint32_t>(deviceId),
                           static_cast<uint32_t>(interval), static_cast<uint32_t>(language),
                           static_cast<uint32_t>(battery), ip, static_cast<uint32_t>(workMode)})
    for (int b = 0; b < 4; ++b) bytes += static_cast<char>((v >> (8 * b)) & 0xFF);
  return bytes + "@ARM";
}

// The local date `daysBack` days ago, "YYYY-MM-DD".
inline std::string LocalDate(int daysBack) {
  std::time_t now = std::time(nullptr);
  std::tm day{};
  localtime_r(&now, &day);
  day.tm_mday -= daysBack;
  day.tm_hour = 12;  // away from daylight-saving edges
  std::mktime(&day);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &day);
  return text;
}

// A command that ends in failure: the simulator with its faults (or stopped before the run), the
// command, and the status and texts it must end with. The verbs' tables instantiate CliFailures.
struct CliFailure {
  const char* name;
  Mode mode;
  std::vector<std::string> faults;
  bool simGone;                   // the simulator is stopped before the command runs
  std::vector<std::string> args;  // the link's options follow
  int status;
  const char* err;                // stderr, whole
  const char* out = nullptr;      // stdout, whole; nullptr: not looked at
};

class CliFailures : public ::testing::TestWithParam<CliFailure> {};

inline std::string CliFailureName(const ::testing::TestParamInfo<CliFailure>& info) { return info.param.name; }

}  // namespace kaviro::testing
