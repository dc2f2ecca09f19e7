#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "monitor/register_sink.h"
#include "monitor/register_tables.h"
#include "tools/common/csv_field.h"

namespace kaviro::cli {

// The register list of one poll as the main window would show it.
class RegisterReport final : public RowSink {
 public:
  explicit RegisterReport(RegisterTable table) : table_(table), values_(table.size()) {}
  void SetRowValue(size_t row, const std::string& text) override {
    if (row < values_.size()) values_[row] = text;
  }
  void Clear() { values_.assign(table_.size(), std::string()); }

  // The five texts of a row: number, address, description, value, unit (all empty for separators).
  std::vector<std::string> Row(size_t row) const;
  size_t size() const { return table_.size(); }
  RegisterTable table() const { return table_; }
  const RegisterDescriptor& Descriptor(size_t row) const { return table_[row]; }
  const std::string& Value(size_t row) const { return values_[row]; }

  std::string status;     // status pane 0
  std::string clock;      // status pane 1
  std::string timestamp;  // when the poll ended, ISO 8601 local time

 private:
  RegisterTable table_;
  std::vector<std::string> values_;
};

// Rows of cells in columns aligned by display width (a Chinese character takes two).
void WriteAligned(std::ostream& out, const std::vector<std::vector<std::string>>& rows);
// The register list aligned, then the clock line.
void WriteTable(std::ostream& out, const RegisterReport& report);
// Which controller a poll's rows are from, when a command polls several: only what is set is
// written, so the output of a lone controller stays as it was.
struct UnitTag {
  std::optional<std::string> host;  // several links: the link
  std::optional<int> unit;          // several units: the device address
};
// RFC 4180: one line per register row, stamped with the poll's time (after it, in the columns
// "host" and "unit_id", the link and the device address when the tag has them).
void WriteCsvHeader(std::ostream& out, const UnitTag& columns = {});
void WriteCsv(std::ostream& out, const RegisterReport& report, const UnitTag& tag = {});
// One JSON object per poll, on one line (with members "host" and "unit" when the tag has them).
void WriteJson(std::ostream& out, const RegisterReport& report, const UnitTag& tag = {});

// Columns a UTF-8 text takes in a terminal.
size_t DisplayWidth(const std::string& utf8);

}  // namespace kaviro::cli
