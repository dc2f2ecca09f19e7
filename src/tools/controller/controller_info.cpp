#include "tools/controller/controller_info.h"

#include <charconv>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "link/acceptance.h"
#include "link/crc16.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/common/typed_number.h"

namespace kaviro {

namespace {

constexpr int kTableAnswerLength = ReadAnswerLength(kPresetRegisters);  // 149
constexpr int kRegisterAnswerLength = ReadAnswerLength(1);              // 7
constexpr int kPeriodColumn = 3;
constexpr int kCoefficientColumn = 8;

int Bit(uint16_t word, int bit) { return word >> bit & 1; }

constexpr InfoLabel kLoadStandard{info_ids::kStandardLoad, "标准"}, kLoadLighting{info_ids::kLightingLoad, "照明"};
constexpr InfoLabel kLowFrequency{info_ids::kLowFrequency, "低频"}, kHighFrequency{info_ids::kHighFrequency, "高频"};
constexpr InfoLabel k48V{info_ids::kBatteries48V, "48V"}, k24V{info_ids::kBatteries24V, "24V"},
    k12V{info_ids::kBatteries12V, "12V"}, kAutoCount{info_ids::kBatteriesAuto, "自动判断"};
constexpr InfoLabel kManual{info_ids::kManualEqualise, "手动"}, kAutomatic{info_ids::kAutomaticEqualise, "自动"};
constexpr InfoLabel kRts{info_ids::kRtsRadio, "RTS"}, kMetter{info_ids::kMeterRadio, "Metter"};

}  // namespace

const DipGroup kDipGroupTable[kDipGroups] = {
    {"负载模式", [](uint16_t w) { return Bit(w, 0) ? 0 : 1; }, {kLoadStandard, kLoadLighting}, 2},
    {"频率", [](uint16_t w) { return Bit(w, 1) ? 0 : 1; }, {kLowFrequency, kHighFrequency}, 2},
    {"电池节数", [](uint16_t w) { return Bit(w, 2) + 2 * Bit(w, 3); }, {kAutoCount, k24V, k12V, k48V}, 4},
    // Switch 5 is the high bit of the battery type.
    {"电池类型", [](uint16_t w) { return 4 * Bit(w, 4) + 2 * Bit(w, 5) + Bit(w, 6); },
     {kPresetRowLabels[0], kPresetRowLabels[1], kPresetRowLabels[2], kPresetRowLabels[3], kPresetRowLabels[4],
      kPresetRowLabels[5], kPresetRowLabels[6], kPresetRowLabels[7]},
     8},
    {"均衡模式", [](uint16_t w) { return Bit(w, 7) ? 0 : 1; }, {kManual, kAutomatic}, 2},
    {"无线RTS", [](uint16_t w) { return Bit(w, 8) ? 0 : 1; }, {kRts, kMetter}, 2},
};

DipView DecodeDip(uint16_t word) {
  DipView view;
  for (int k = 0; k < kDipSwitches; ++k) view.on[k] = Bit(word, k);
  for (int g = 0; g < kDipGroups; ++g) view.lit[g] = kDipGroupTable[g].options[kDipGroupTable[g].select(word)];
  return view;
}

std::string PresetText(int column, uint16_t value) {
  if (column == kPeriodColumn) return Format("%d", value & 0xFF);
  if (column == kCoefficientColumn) return Format("%d", static_cast<int>(static_cast<int8_t>(value & 0xFF)));
  return Format("%.2f", static_cast<double>(static_cast<float>(value * 0.01)));
}

PresetTexts PresetTableTexts(const PresetWords& words) {
  PresetTexts texts;
  for (int i = 0; i < kPresetRows; ++i)
    for (int j = 0; j < kPresetColumns; ++j) texts[i][j] = PresetText(j, words[kPresetColumns * i + j]);
  return texts;
}

RtuFrame PresetTableRequest(uint8_t unit) {
  return ReadRegisters(unit, fn::kReadHolding, kPresetTableStart, kPresetRegisters);
}

ExchangePolicy PresetTablePolicy() {
  ExchangePolicy p;
  p.serial = {.sleepMs = 100, .maxChecks = 30, .take = SerialWait::Take::kAllQueued, .idleLimit = 4,
              .capacity = ReceiveBuffer::kSize};
  p.unpack = Unpack::kGeneral;
  p.net = {.sleepMs = 10, .maxTries = 50, .failOnReceiveError = true};
  return p;
}

ExchangePolicy InfoRegisterPolicy() {
  ExchangePolicy p;
  p.serial = {.sleepMs = 100, .maxChecks = 5, .take = SerialWait::Take::kAllQueued, .stopWhenComplete = false,
              .idleLimit = 1, .idleAfterDataOnly = true, .idleNeedsComplete = true,
              .capacity = ReceiveBuffer::kSize};
  p.unpack = Unpack::kGeneral;
  p.net = {.sleepMs = 10, .maxTries = 50, .failOnReceiveError = true};
  return p;
}

namespace {

// The messages of an exchange that ended before there was an answer to look at; nothing when
// the ending is a silent one.
std::optional<std::string> LinkFailureText(const ExchangeResult& r) {
  switch (r.outcome) {
    case Outcome::kNotOpen: return text::kPortBusy;
    case Outcome::kNotConnected: return text::kNotConnected;
    case Outcome::kSendFailed: return text::kSendFailed;
    case Outcome::kReceiveError: return info_text::kNetworkReceiveError;
    case Outcome::kUnpackError: return r.message;
    default: return std::nullopt;
  }
}

enum class Verdict { kGood, kAddress, kFormat, kCrc };

// A function-3 answer by its checks in their order. `counted` is the length as received,
// counted with the CRC places also on the network. Bytes that did not arrive are never looked
// at: a CRC that is not all there fails, and so do data bytes the byte count claims but that
// are missing.
Verdict Judge(std::span<const uint8_t> answer, int counted, uint8_t unit, bool withCrc) {
  if (answer.empty() || answer[0] != unit) return Verdict::kAddress;
  if (answer.size() < 3 || answer[1] != fn::kReadHolding || counted > answer[2] + 5) return Verdict::kFormat;
  const size_t data = answer[2];
  if (withCrc) {
    if (answer.size() < data + 5) return Verdict::kCrc;
    const uint16_t crc = ComputeCrc16(answer.first(data + 3));
    if (answer[data + 3] != (crc & 0xFF) || answer[data + 4] != (crc >> 8)) return Verdict::kCrc;
  }
  if (answer.size() < data + 3) return Verdict::kFormat;
  return Verdict::kGood;
}

const char* VerdictText(Verdict v) {
  return v == Verdict::kAddress ? info_text::kAddressMismatch : info_text::kBadFormat;
}

}  // namespace

PresetTableRead ReadPresetTable(LinkService& link, LinkMode mode, uint8_t unit) {
  PresetTableRead read;
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(mode, PresetTableRequest(unit), kTableAnswerLength, PresetTablePolicy());
  if (const auto failure = LinkFailureText(r)) {
    read.messages.push_back(*failure);
    return read;
  }
  if (r.outcome == Outcome::kBadLength) {
    read.messages.push_back(info_text::kBadFormat);
    return read;
  }
  // Timed out or abandoned: the table stays as it is.
  if (r.outcome != Outcome::kAnswered) return read;

  const std::span<const uint8_t> answer = link.receive().Stored();
  const Verdict verdict = Judge(answer, link.receive().count, unit, mode != LinkMode::kNetwork);
  if (verdict == Verdict::kCrc) return read;  // dropped without a word
  // The display takes all 72 registers: an answer that holds fewer is not the table.
  if (verdict == Verdict::kGood && answer[2] != 2 * kPresetRegisters) {
    read.messages.push_back(info_text::kBadFormat);
    return read;
  }
  if (verdict != Verdict::kGood) {
    read.messages.push_back(VerdictText(verdict));
    return read;
  }
  PresetWords words{};
  for (int k = 0; k < kPresetRegisters; ++k) words[k] = GetU16(answer, 3 + 2 * static_cast<size_t>(k));
  read.words = words;
  return read;
}

RegisterRead ReadInfoRegister(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg) {
  RegisterRead read;
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r =
      link.Exchange(mode, ReadRegisters(unit, fn::kReadHolding, reg, 1), kRegisterAnswerLength, InfoRegisterPolicy());
  if (const auto failure = LinkFailureText(r)) {
    read.messages.push_back(*failure);
    return read;
  }
  const std::span<const uint8_t> answer = link.receive().Stored();
  if (mode == LinkMode::kNetwork) {
    if (r.outcome == Outcome::kAnswered) {
      const Verdict verdict = Judge(answer, link.receive().count, unit, false);
      if (verdict == Verdict::kGood && answer[2] >= 2) {
        read.value = GetU16(answer, 3);
        return read;
      }
      read.messages.push_back(VerdictText(verdict == Verdict::kGood ? Verdict::kFormat : verdict));
      read.messages.push_back(info_text::kReceiveError);
      return read;
    }
    if (r.outcome == Outcome::kBadLength) {
      read.messages.push_back(info_text::kBadFormat);
      read.messages.push_back(info_text::kReceiveError);
      return read;
    }
  } else if (r.outcome == Outcome::kIdle && AcceptsRead(answer, unit) && answer[1] == fn::kReadHolding &&
             answer[2] == 2) {
    read.value = GetU16(answer, 3);
    return read;
  }
  read.messages.push_back(text::kBadAnswer);
  return read;
}

FaultAlarmRead ReadFaultsAndAlarms(LinkService& link, LinkMode mode, uint8_t unit) {
  FaultAlarmRead read;
  RegisterRead faults = ReadInfoRegister(link, mode, unit, kFaultRegister);
  read.faults = faults.value;
  read.messages = std::move(faults.messages);
  if (!read.faults) return read;
  RegisterRead alarms = ReadInfoRegister(link, mode, unit, kAlarmRegister);
  read.alarms = alarms.value;
  read.messages = std::move(alarms.messages);
  return read;
}

namespace {

// Voltages in hundredths of a volt; the period and the coefficient as whole numbers.
struct Range {
  bool integer;
  int64_t min;
  int64_t max;
  const char* message;
};

constexpr Range kCustomRanges[kPresetColumns] = {
    {false, 800, 1600, "吸收电压范围为8.0~16.0"},
    {false, 800, 1600, "浮充电压范围为8.0~16.0"},
    {false, 800, 1600, "均衡电压范围为8.0~16.0"},
    {true, 0, 255, "均衡周期范围为0~255"},
    {false, 800, 1600, "最高电压范围为8.0~16.0"},
    {false, 800, 1600, "关闭电压范围为8.0~16.0"},
    {false, 800, 1600, "低电压上限范围为8.0~16.0"},
    {false, 800, 1600, "中电压上限范围为8.0~16.0"},
    {true, -128, 0, "温度系数范围为-128~0"},
};
constexpr int kVoltDecimals = 2;

}  // namespace

CustomPresetCheck CheckCustomPreset(const PresetRow& texts) {
  CustomPresetCheck check;
  std::array<int64_t, kPresetColumns> units{};
  for (int j = 0; j < kPresetColumns; ++j) {
    const bool integer = kCustomRanges[j].integer;
    const auto typed = integer ? TypedUnits(texts[j], NumberKind::kWhole)
                               : TypedUnits(texts[j], NumberKind::kDecimal, kVoltDecimals);
    if (!typed) {
      check.message = integer ? info_text::kNotAnInteger : info_text::kNotANumber;
      check.column = j;
      return check;
    }
    units[j] = *typed;
  }
  for (int j = 0; j < kPresetColumns; ++j) {
    const Range& range = kCustomRanges[j];
    if (units[j] < range.min || units[j] > range.max) {
      check.message = range.message;
      check.caption = info_text::kRangeCaption;
      check.column = j;
      return check;
    }
  }
  CustomPresetWords words{};
  // The period and the coefficient go as their low byte (the coefficient in two's complement).
  for (int j = 0; j < kPresetColumns; ++j)
    words[j] = static_cast<uint16_t>(kCustomRanges[j].integer ? units[j] & 0xFF : units[j]);
  check.words = words;
  return check;
}

RtuFrame CustomPresetFrame(uint8_t unit, const CustomPresetWords& words) {
  std::vector<uint8_t> data;
  for (uint16_t w : words) PutU16(data, w);
  return WriteRegisters(unit, kCustomPresetStart, data);
}

ParamReply SendCustomPreset(LinkService& link, LinkMode mode, const RtuFrame& frame) {
  return SendParamWrite(link, mode, frame);
}

}  // namespace kaviro
