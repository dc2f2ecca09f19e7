#include "cli/row_values.h"

#include <charconv>
#include <optional>
#include <set>

#include "link/text_format.h"
#include "monitor/decode_rules.h"

namespace kaviro::cli {

namespace {

template <typename T>
std::optional<T> Whole(const std::string& text, int base = 10) {
  T value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<double> Real(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<TypedValue> Typed(const DecodeRule* rule, const std::string& text) {
  if (text.empty()) return std::nullopt;
  if (!rule) return TypedValue(text);
  switch (rule->text) {
    case TextKind::kInteger:
      // Bit words are shown as 0XHHHH.
      if (text.size() > 2 && text[0] == '0' && (text[1] == 'X' || text[1] == 'x'))
        if (const auto bits = Whole<int64_t>(text.substr(2), 16)) return TypedValue(*bits);
      if (const auto whole = Whole<int64_t>(text)) return TypedValue(*whole);
      return std::nullopt;
    case TextKind::kReal:
      if (const auto real = Real(text)) return TypedValue(*real);
      return std::nullopt;
    case TextKind::kEnumeration:
    case TextKind::kClock:
    case TextKind::kTimeOfDay:
    case TextKind::kCharacters: return TypedValue(text);
  }
  return std::nullopt;
}

}  // namespace

std::string RowKey(uint16_t address) { return Format("reg_%04x", address); }

std::vector<RowValue> RowValues(const RegisterReport& report) {
  std::vector<RowValue> values;
  std::set<uint16_t> seen;
  for (size_t r = 0; r < report.size(); ++r) {
    const uint16_t address = report.Descriptor(r).address;
    if (address == kSeparatorAddress || !seen.insert(address).second) continue;
    if (auto value = Typed(RuleForAddress(address), report.Value(r)))
      values.push_back({RowKey(address), std::move(*value)});
  }
  return values;
}

}  // namespace kaviro::cli
