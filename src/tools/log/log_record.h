#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kaviro {

// One day of the controller's log: 44 bytes, multi-byte fields big-endian.
inline constexpr size_t kLogRecordSize = 44;
inline constexpr size_t kLogColumns = 17;
using LogRow = std::array<std::string, kLogColumns>;

// The texts of a record in list column order (the fault column before the alarm column, although
// the record holds the alarm word first).
LogRow LogRecordTexts(std::span<const uint8_t, kLogRecordSize> record);

// The log answer: 01 2B 0E 03, four bytes, N records, FF FE FD FC. `error` names the first
// check that failed; the records come in answer order.
struct LogAnswer {
  std::vector<LogRow> rows;
  std::string error;
};
LogAnswer ParseLogAnswer(std::span<const uint8_t> answer);

// The list headings and widths in pixels.
struct LogColumn {
  const char* heading;
  int width;
};
extern const std::array<LogColumn, kLogColumns> kLogListColumns;

}  // namespace kaviro
