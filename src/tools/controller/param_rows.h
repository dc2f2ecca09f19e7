#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "monitor/decoded_values.h"
#include "tools/common/result.h"

namespace kaviro {

// How a parameter's register word is read and shown.
enum class ParamShown {
  kCenti,         // unsigned × 0.01 kept as float, "%.2f"
  kTenths,        // unsigned kept raw, shown × 0.1 with "%.1f"
  kUnsigned,      // "%d"
  kSigned,        // signed 16-bit, "%d"
  kSignedByte,    // low byte as signed 8-bit, "%d"
  kBlankZero,     // unsigned, "%.d": a zero shows as nothing
  kLightingMode,  // "定时" for 0, "智能" otherwise
};

// The member of DecodedValues that caches a parameter; the poll refreshes the same members.
using ParamCacheField = std::variant<float DecodedValues::*, uint16_t DecodedValues::*, int16_t DecodedValues::*,
                                     int8_t DecodedValues::*>;

enum class ParamInput {
  kDecimal,    // a decimal, rounded to the register's units
  kInteger,    // a whole number
  kZeroOrOne,  // exactly "0" or "1"
};

// One end of the accepted range: a fixed number, or a companion register's value plus an offset.
struct ParamBound {
  enum class Kind { kNone, kAtLeast, kAbove, kAtMost, kBelow };
  Kind kind = Kind::kNone;
  double offset = 0;
  int companion = -1;  // index into the row's companions; -1: fixed
};

struct ParamRow {
  const char* caption;
  const char* name;  // the command line's name of the row
  uint16_t reg;
  int readId, displayId, setId, inputId;
  ParamShown shown;
  ParamCacheField field;
  const char* unit;
  const char* rangeNote;
  ParamInput input = ParamInput::kDecimal;
  ParamBound low, high;
  std::array<uint16_t, 2> companions{};  // registers read before the input is checked
  int companionCount = 0;
};

// The nineteen parameter rows, in the dialog's order (the clock row is separate).
std::span<const ParamRow> ParamRows();
// By register, or by the row's name or its register as "0xHHHH" (any case).
const ParamRow* FindParamRow(uint16_t reg);
const ParamRow* FindParamRow(std::string_view nameOrRegister);

// The number a register word stands for in a row: volts, degrees, seconds...
double ParamReading(const ParamRow& row, uint16_t word);
// How many decimals of that number the register keeps: 2 for hundredths, 1 for tenths.
int ParamDecimals(const ParamRow& row);
// Stores a read word in the row's cache member.
void StoreParam(const ParamRow& row, uint16_t word, DecodedValues& values);
// The display text of the row's cached value.
std::string ParamDisplayText(const ParamRow& row, const DecodedValues& values);
// The display text of a word as the row shows it.
std::string ParamWordText(const ParamRow& row, uint16_t word);

// The text that, typed into the row's input, becomes `word` (for a word the row can hold).
std::string ParamInputText(const ParamRow& row, uint16_t word);

// An input checked against the row's rule, with its companions' readings: the word to send, or
// the text to show. The word is the typed number in the register's units, rounded half away
// from zero; the range is checked on that word, so what is checked is what the controller gets.
Result<uint16_t> CheckParamInput(const ParamRow& row, std::string_view text, std::span<const double> companions = {});

inline constexpr const char* kEmptyInputText = "数据不能为空，请重新输入";
inline constexpr const char* kBadInputText = "输入数据有误，请重新输入！";

}  // namespace kaviro
