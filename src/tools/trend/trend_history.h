#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "monitor/decoder.h"
#include "monitor/register_tables.h"

namespace kaviro {

// A register the trend can follow: a list row whose value is a number with a unit.
struct TrendRegister {
  uint16_t address;
  std::string name;
  std::string unit;
  bool operator==(const TrendRegister&) const = default;
};

// Every such register of the list, once each (its first row names it), in list order.
std::vector<TrendRegister> TrendableRegisters(RegisterTable table);

// What the trend shows first in the list of `language`: battery voltage, PV voltage, charging
// current and load power, of those the list has (the Chinese list has no PV voltage or load
// power: load voltage and current instead).
std::vector<TrendRegister> DefaultTrendRegisters(int language);

// The list's text as the number it shows; nothing for texts that are not a number ("-", states).
std::optional<double> TrendNumber(const std::string& text);

struct TrendSample {
  int64_t ms;  // wall clock, milliseconds since 1970
  double value;
};

// One value axis per unit, in the order the chosen registers first name it.
struct TrendAxis {
  std::string unit;
  std::vector<size_t> series;  // indexes into the history's registers
  double low = 0, high = 1;    // over the samples kept, with a margin; never empty
};

// The last `spanMs` of every register it follows, one sample per poll that brought it. It follows
// them all, shown or not, so a register ticked later has its past at once.
class TrendHistory {
 public:
  TrendHistory(std::vector<TrendRegister> registers, int64_t spanMs);

  // A decoded block: the numbers of the registers wait for the end of the poll.
  void Take(const DecodedTexts& texts);
  // The poll is over: its numbers become samples at `ms`, older ones than the span go. Returns the
  // poll's row, the list's text of each register (empty where the poll did not bring it);
  // nothing when the poll brought none of them.
  using Row = std::vector<std::optional<std::string>>;
  std::optional<Row> EndPoll(int64_t ms);

  void SetSpan(int64_t spanMs);
  int64_t span() const { return spanMs_; }
  const std::vector<TrendRegister>& registers() const { return registers_; }
  const std::deque<TrendSample>& Samples(size_t series) const { return samples_[series]; }
  // The axes of the registers `shown` (indexes into registers()).
  std::vector<TrendAxis> Axes(const std::vector<size_t>& shown) const;

 private:
  void Trim(int64_t nowMs);

  std::vector<TrendRegister> registers_;
  int64_t spanMs_;
  std::vector<std::deque<TrendSample>> samples_;
  struct Shown {
    double value;
    std::string text;
  };
  std::vector<std::optional<Shown>> pending_;
};

}  // namespace kaviro
