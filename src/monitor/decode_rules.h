#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "monitor/decoded_values.h"

namespace kaviro {

// How a register's value is read from its words.
enum class WordSource : uint8_t {
  kU16,
  kS16,
  kS8,       // low byte, signed
  kLowByte,  // low byte, unsigned
  kHiLo,     // two words, high word first, signed 32-bit
  kChars,    // four words, each low byte then high byte
};

// What multiplies a value stored as float.
enum class Scale : uint8_t {
  kFactor,         // the rule's factor
  kVscale,         // Vscale ÷ 32768
  kVscaleBattery,  // Vscale ÷ 32768 × battery factor
};

enum class TextKind : uint8_t {
  kInteger,      // format applied to the stored value as int
  kReal,         // format applied to the stored value × textFactor as double
  kEnumeration,  // a name chosen by the stored value
  kClock,        // controller date and time
  kTimeOfDay,    // hh:mm:ss of a second count
  kCharacters,   // the stored text as is
};

// Names indexed by value. An empty slot or a value past the end takes `otherwise`; without
// it the register gets no new text and the list keeps what it showed.
struct Enumeration {
  std::span<const std::string_view> names;
  std::optional<std::string_view> otherwise;
};

using ValueField = std::variant<float DecodedValues::*, int32_t DecodedValues::*, uint16_t DecodedValues::*,
                                int16_t DecodedValues::*, int8_t DecodedValues::*, uint8_t DecodedValues::*,
                                char (DecodedValues::*)[9]>;

// One polled register: where its value comes from, where it is kept and how it is shown.
struct DecodeRule {
  uint16_t address;
  WordSource source;
  ValueField field;
  Scale scale = Scale::kFactor;
  double factor = 1;  // float fields only
  TextKind text = TextKind::kInteger;
  const char* format = nullptr;
  double textFactor = 1;  // kReal only
  Enumeration names{};
};

// The rules of one block read, in the order their texts are produced.
struct BlockRules {
  uint16_t start;
  std::span<const DecodeRule> rules;
};

// The block numbers of decoder.h; any other number has no rules.
std::optional<BlockRules> RulesForBlock(int block);

// The rule of a polled register, from whichever block reads it; none for other addresses.
const DecodeRule* RuleForAddress(uint16_t address);

constexpr size_t WordsNeeded(WordSource source) {
  return source == WordSource::kHiLo ? 2 : source == WordSource::kChars ? 4 : 1;
}

}  // namespace kaviro
