#include "tools/trend/trend_recorder.h"

#include <fstream>

#include "monitor/time_texts.h"
#include "tools/common/csv_field.h"

namespace kaviro {

namespace {

constexpr const char* kLineEnd = "\r\n";

// The file's first line with its end; nothing when it has none (a file cut short in its header
// is as good as empty).
std::optional<std::string> FirstLine(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!std::getline(in, line) || in.eof()) return std::nullopt;
  return line + "\n";
}

}  // namespace

TrendRecorder::TrendRecorder(std::filesystem::path folder, std::vector<TrendRegister> columns)
    : folder_(std::move(folder)), columns_(columns.size()) {
  header_ = "timestamp";
  for (const TrendRegister& c : columns) header_ += "," + CsvField(c.name + " (" + c.unit + ")");
  header_ += kLineEnd;
}

std::string TrendRecorder::FileName(const std::string& day, int ordinal) {
  return "trend-" + day + (ordinal > 1 ? "-" + std::to_string(ordinal) : std::string()) + ".csv";
}

bool TrendRecorder::OpenDay(const std::string& day, std::string& error) {
  for (int ordinal = 1;; ++ordinal) {
    const std::filesystem::path path = folder_ / FileName(day, ordinal);
    const std::optional<std::string> first = FirstLine(path);
    if (first && *first != header_) continue;
    std::unique_ptr<AppendFile> file = AppendFile::Open(path, AppendFile::Start::kWholeLines, error);
    if (!file) return false;
    if (file->OpenedSize() == 0 && !file->Append(header_)) {
      error = path.string() + ": cannot be written";
      return false;
    }
    file_ = std::move(file);
    path_ = path;
    day_ = day;
    return true;
  }
}

bool TrendRecorder::Record(std::time_t when, const std::vector<std::optional<std::string>>& row, std::string& error) {
  const std::string day = LocalDate(when);
  if ((day != day_ || !file_) && !OpenDay(day, error)) return false;
  std::string line = CsvField(LocalTimestamp(when));
  for (size_t i = 0; i < columns_; ++i) line += "," + (i < row.size() && row[i] ? CsvField(*row[i]) : std::string());
  line += kLineEnd;
  if (!file_->Append(line)) {
    error = path_.string() + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace kaviro
