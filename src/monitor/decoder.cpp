#include "monitor/decoder.h"

#include <type_traits>
#include <variant>

#include "link/text_format.h"
#include "monitor/decode_rules.h"
#include "monitor/register_words.h"
#include "monitor/status_line.h"
#include "monitor/time_texts.h"

namespace kaviro {
namespace {

int64_t IntegerOf(WordSource source, std::span<const uint16_t> w) {
  switch (source) {
    case WordSource::kU16: return w[0];
    case WordSource::kS16: return static_cast<int16_t>(w[0]);
    case WordSource::kS8: return static_cast<int8_t>(w[0] & 0xFF);
    case WordSource::kLowByte: return w[0] & 0xFF;
    case WordSource::kHiLo: return static_cast<int32_t>(static_cast<uint32_t>(w[0]) << 16 | w[1]);
    case WordSource::kChars: break;
  }
  return 0;
}

double BatteryFactor(int batteryVoltage) {
  switch (batteryVoltage) {
    case 1: return 2;
    case 2: return 4;
    default: return 1;
  }
}

double ScaleOf(const DecodeRule& rule, const DecodedValues& values, const DecodeContext& context) {
  switch (rule.scale) {
    case Scale::kFactor: return rule.factor;
    case Scale::kVscale: return values.voltageScaling / 32768.0;
    case Scale::kVscaleBattery: return values.voltageScaling / 32768.0 * BatteryFactor(context.batteryVoltage);
  }
  return rule.factor;
}

void Store(const DecodeRule& rule, std::span<const uint16_t> w, const DecodeContext& context,
           DecodedValues& values) {
  const double scale = ScaleOf(rule, values, context);
  std::visit(
      [&](auto field) {
        auto& member = values.*field;
        using T = std::remove_reference_t<decltype(member)>;
        if constexpr (std::is_array_v<T>) {
          for (size_t i = 0; i < 4; ++i) {
            member[2 * i] = static_cast<char>(w[i] & 0xFF);
            member[2 * i + 1] = static_cast<char>(w[i] >> 8);
          }
          member[8] = '\0';
        } else if constexpr (std::is_floating_point_v<T>) {
          member = static_cast<T>(static_cast<double>(IntegerOf(rule.source, w)) * scale);
        } else {
          member = static_cast<T>(IntegerOf(rule.source, w));
        }
      },
      rule.field);
}

// The stored value of a numeric field, exactly (every member fits a double).
double StoredNumber(const ValueField& field, const DecodedValues& values) {
  return std::visit(
      [&](auto f) -> double {
        if constexpr (std::is_array_v<std::remove_reference_t<decltype(values.*f)>>) {
          return 0;
        } else {
          return static_cast<double>(values.*f);
        }
      },
      field);
}

std::optional<std::string> NameOf(const Enumeration& names, double value) {
  if (value >= 0 && value < static_cast<double>(names.names.size())) {
    const std::string_view name = names.names[static_cast<size_t>(value)];
    if (!name.empty()) return std::string(name);
  }
  if (names.otherwise) return std::string(*names.otherwise);
  return std::nullopt;
}

std::optional<std::string> TextOf(const DecodeRule& rule, const DecodedValues& values) {
  const double stored = StoredNumber(rule.field, values);
  switch (rule.text) {
    case TextKind::kInteger: return Format(rule.format, static_cast<int>(stored));
    case TextKind::kReal: return Format(rule.format, stored * rule.textFactor);
    case TextKind::kEnumeration: return NameOf(rule.names, stored);
    case TextKind::kClock: return ControllerClockText(static_cast<int32_t>(stored));
    case TextKind::kTimeOfDay: return TimeOfDayText(static_cast<int32_t>(stored));
    case TextKind::kCharacters: return std::string(values.*std::get<char (DecodedValues::*)[9]>(rule.field));
  }
  return std::nullopt;
}

}  // namespace

DecodedTexts DecodeBlock(int block, std::span<const uint8_t> answer, const DecodeContext& context,
                         DecodedValues& values) {
  DecodedTexts texts;
  const std::optional<BlockRules> rules = RulesForBlock(block);
  if (!rules) return texts;
  const RegisterWords words = WordsOf(answer);
  const std::span<const uint16_t> arrived(words.words.data(), words.count);
  for (const DecodeRule& rule : rules->rules) {
    const size_t first = rule.address - rules->start;
    const size_t needed = WordsNeeded(rule.source);
    if (!words.Has(first, needed)) continue;
    Store(rule, arrived.subspan(first, needed), context, values);
    std::optional<std::string> text = TextOf(rule, values);
    if (!text) continue;
    if (rule.text == TextKind::kClock) texts.clock = "控制器当前时间：" + *text;
    texts.registers.push_back({rule.address, std::move(*text)});
  }
  if (block == kBlockInput) texts.status = StatusLine(context);
  return texts;
}

}  // namespace kaviro
