#include "cli/register_report.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "link/text_format.h"

namespace kaviro::cli {

namespace {
constexpr const char* kHeadings[] = {"number", "address", "description", "value", "unit"};
}

std::vector<std::string> RegisterReport::Row(size_t row) const {
  const RegisterDescriptor& d = table_[row];
  if (d.address == kSeparatorAddress) return std::vector<std::string>(5);
  return {Format("%05d", static_cast<int>(row) + 1), Format("0X%04X", d.address), std::string(d.description),
          values_[row], std::string(d.unit)};
}

size_t DisplayWidth(const std::string& utf8) {
  size_t width = 0;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    // Three-byte sequences cover the CJK ideographs and full-width punctuation the tables use.
    width += len >= 3 ? 2 : 1;
    i += len;
  }
  return width;
}

void WriteAligned(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - DisplayWidth(row[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

void WriteTable(std::ostream& out, const RegisterReport& report) {
  std::vector<std::vector<std::string>> rows;
  for (size_t r = 0; r < report.size(); ++r) rows.push_back(report.Row(r));
  WriteAligned(out, rows);
  if (!report.clock.empty()) out << report.clock << '\n';
  out.flush();
}

void WriteCsvHeader(std::ostream& out, const UnitTag& columns) {
  out << "timestamp";
  if (columns.host) out << ",host";
  if (columns.unit) out << ",unit_id";
  for (const char* h : kHeadings) out << ',' << h;
  out << "\r\n";
}

void WriteCsv(std::ostream& out, const RegisterReport& report, const UnitTag& tag) {
  for (size_t r = 0; r < report.size(); ++r) {
    out << CsvField(report.timestamp);
    if (tag.host) out << ',' << CsvField(*tag.host);
    if (tag.unit) out << ',' << *tag.unit;
    for (const std::string& cell : report.Row(r)) out << ',' << CsvField(cell);
    out << "\r\n";
  }
  out.flush();
}

void WriteJson(std::ostream& out, const RegisterReport& report, const UnitTag& tag) {
  nlohmann::ordered_json rows = nlohmann::ordered_json::array();
  for (size_t r = 0; r < report.size(); ++r) {
    const std::vector<std::string> cells = report.Row(r);
    nlohmann::ordered_json row;
    for (size_t c = 0; c < 5; ++c) row[kHeadings[c]] = cells[c];
    rows.push_back(std::move(row));
  }
  nlohmann::ordered_json poll = {{"timestamp", report.timestamp}};
  if (tag.host) poll["host"] = *tag.host;
  if (tag.unit) poll["unit"] = *tag.unit;
  poll["status"] = report.status;
  poll["clock"] = report.clock;
  poll["rows"] = std::move(rows);
  // A controller's text that is not UTF-8 must not end the logging run.
  out << poll.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  out.flush();
}

}  // namespace kaviro::cli
