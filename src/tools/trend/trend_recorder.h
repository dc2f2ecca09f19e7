#pragma once
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/append_file.h"
#include "tools/trend/trend_history.h"

namespace kaviro {

// The trend's polls as CSV (UTF-8, RFC 4180 like `kaviro-cli poll --format csv`): one file per
// local day, "trend-2026-12-09.csv" in the chosen folder, a header naming each register and its
// unit, then one line per poll with the list's texts. Each line reaches the file in one write when
// its poll ends, so the tool killed mid-poll leaves whole lines; the one place a kill can still cut
// a line, inside that write, is mended when the file is next opened (the cut line goes).
class TrendRecorder {
 public:
  TrendRecorder(std::filesystem::path folder, std::vector<TrendRegister> columns);

  // Appends the poll's row stamped `when`, opening the day's file first when the day changed. A
  // file of the day with other columns (an earlier recording) is left alone: the next free name
  // "trend-2026-12-09-2.csv" is taken. False, with the reason, when the line cannot be written.
  bool Record(std::time_t when, const std::vector<std::optional<std::string>>& row, std::string& error);
  // The file the last line went to; empty before the first.
  const std::filesystem::path& file() const { return path_; }

  static std::string FileName(const std::string& day, int ordinal);

 private:
  bool OpenDay(const std::string& day, std::string& error);

  std::filesystem::path folder_;
  std::string header_;
  size_t columns_;
  std::string day_;
  std::filesystem::path path_;
  std::unique_ptr<AppendFile> file_;
};

}  // namespace kaviro
