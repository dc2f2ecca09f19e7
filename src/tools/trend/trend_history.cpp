#include "tools/trend/trend_history.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>

namespace kaviro {

namespace {

// Rows that show no number: states, bit fields, counts without a unit.
bool HasUnit(const RegisterDescriptor& row) { return !row.unit.empty() && row.unit != "-"; }

// The registers the trend opens with, by each list's own addresses: the English list names 0x001B
// the array voltage and 0x003A the output power; the Chinese one has neither, and shows load
// voltage and current there instead.
struct DefaultPick {
  int language;
  uint16_t addresses[4];
};
constexpr DefaultPick kDefaults[] = {
    {0, {0x0018, 0x001B, 0x0027, 0x003A}},
    {1, {0x0018, 0x0027, 0x001B, 0x001D}},
};

}  // namespace

std::vector<TrendRegister> TrendableRegisters(RegisterTable table) {
  std::vector<TrendRegister> found;
  std::set<uint16_t> seen;
  for (const RegisterDescriptor& row : table)
    if (row.address != kSeparatorAddress && HasUnit(row) && seen.insert(row.address).second)
      found.push_back({row.address, std::string(row.description), std::string(row.unit)});
  return found;
}

std::vector<TrendRegister> DefaultTrendRegisters(int language) {
  const std::optional<RegisterTable> table = RegisterTableFor(language);
  std::vector<TrendRegister> chosen;
  if (!table) return chosen;
  const std::vector<TrendRegister> all = TrendableRegisters(*table);
  for (const DefaultPick& pick : kDefaults)
    if (pick.language == language)
      for (uint16_t address : pick.addresses)
        for (const TrendRegister& r : all)
          if (r.address == address) chosen.push_back(r);
  return chosen;
}

std::optional<double> TrendNumber(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  // Decimal only: strtod would also take "0X0080" (a bit field) and "nan".
  if (first == std::string::npos || text.find_first_not_of(" +-.0123456789eE") != std::string::npos)
    return std::nullopt;
  const char* start = text.c_str() + first;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(start, &end);
  if (end == start || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
  while (*end == ' ') ++end;
  if (*end != '\0') return std::nullopt;
  return value;
}

TrendHistory::TrendHistory(std::vector<TrendRegister> registers, int64_t spanMs)
    : registers_(std::move(registers)), spanMs_(spanMs), samples_(registers_.size()), pending_(registers_.size()) {}

void TrendHistory::Take(const DecodedTexts& texts) {
  for (const RegisterText& r : texts.registers)
    for (size_t i = 0; i < registers_.size(); ++i)
      if (registers_[i].address == r.address)
        if (const std::optional<double> value = TrendNumber(r.text)) pending_[i] = Shown{*value, r.text};
}

std::optional<TrendHistory::Row> TrendHistory::EndPoll(int64_t ms) {
  Row row(registers_.size());
  bool any = false;
  for (size_t i = 0; i < row.size(); ++i)
    if (std::optional<Shown>& shown = pending_[i]) {
      samples_[i].push_back({ms, shown->value});
      row[i] = std::move(shown->text);
      shown.reset();
      any = true;
    }
  Trim(ms);
  if (!any) return std::nullopt;
  return row;
}

void TrendHistory::SetSpan(int64_t spanMs) {
  spanMs_ = spanMs;
  int64_t latest = INT64_MIN;
  for (const auto& s : samples_)
    if (!s.empty()) latest = std::max(latest, s.back().ms);
  if (latest != INT64_MIN) Trim(latest);
}

void TrendHistory::Trim(int64_t nowMs) {
  for (auto& s : samples_)
    while (!s.empty() && s.front().ms < nowMs - spanMs_) s.pop_front();
}

std::vector<TrendAxis> TrendHistory::Axes(const std::vector<size_t>& shown) const {
  std::vector<TrendAxis> axes;
  for (size_t i : shown) {
    if (i >= registers_.size()) continue;
    const std::string& unit = registers_[i].unit;
    auto axis = std::find_if(axes.begin(), axes.end(), [&](const TrendAxis& a) { return a.unit == unit; });
    if (axis == axes.end()) axis = axes.insert(axes.end(), TrendAxis{unit, {}, 0, 0});
    axis->series.push_back(i);
  }
  for (TrendAxis& axis : axes) {
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (size_t i : axis.series)
      for (const TrendSample& s : samples_[i]) low = std::min(low, s.value), high = std::max(high, s.value);
    if (low > high) {
      axis.low = 0, axis.high = 1;
      continue;
    }
    // A flat line sits in the middle rather than on the frame.
    const double margin = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 0.5);
    axis.low = low - margin;
    axis.high = high + margin;
  }
  return axes;
}

}  // namespace kaviro
