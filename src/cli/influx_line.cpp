#include "cli/influx_line.h"

#include <cmath>
#include <charconv>

namespace kaviro::cli {

namespace {

// Tag keys and values: commas, equals signs and spaces are escaped; a line break cannot travel.
std::string TagText(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (c == ',' || c == '=' || c == ' ') escaped += '\\';
    escaped += c == '\n' || c == '\r' ? ' ' : c;
  }
  return escaped;
}

std::string FieldText(const TypedValue& value) {
  if (const auto* whole = std::get_if<int64_t>(&value)) return std::to_string(*whole) + "i";
  if (const auto* real = std::get_if<double>(&value)) {
    char text[32];  // the shortest text that reads back as the same double
    const auto end = std::to_chars(text, text + sizeof text, std::isfinite(*real) ? *real : 0.0).ptr;
    return std::string(text, end);
  }
  std::string quoted = "\"";
  for (const char c : std::get<std::string>(value)) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c == '\n' || c == '\r' ? ' ' : c;
  }
  return quoted + "\"";
}

}  // namespace

void WriteInflux(std::ostream& out, const InfluxTags& tags, const std::vector<RowValue>& fields,
                 int64_t unixNanoseconds) {
  if (fields.empty()) return;  // a line without fields is not a line
  std::string line = "kaviro";
  for (const auto& [key, value] : tags) line += "," + TagText(key) + "=" + TagText(value);
  char separator = ' ';
  for (const RowValue& field : fields) {
    line += separator + field.key + "=" + FieldText(field.value);
    separator = ',';
  }
  out << line << ' ' << unixNanoseconds << '\n';
  out.flush();
}

}  // namespace kaviro::cli
