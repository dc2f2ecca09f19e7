#include "tools/controller/controller_info.h"

#include <charconv>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "link/acceptance.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/common/int_text.h"
#include "tools/common/register_answer.h"
#include "tools/common/verified_write.h"
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
  return {.line = wait::Gather{.sleepMs = 100, .checks = 30, .quiet = 4, .capacity = ReceiveBuffer::kSize},
          .unpack = unpack::General{},
          .net = wait::MatchTransaction{.sleepMs = 10, .checks = 50, .failOnReceiveError = true}};
}

ExchangePolicy InfoRegisterPolicy() {
  return {.line = wait::Gather{.sleepMs = 100, .checks = 5, .quiet = 1, .from = wait::Gather::QuietFrom::kWholeAnswer,
                               .untilComplete = false, .capacity = ReceiveBuffer::kSize},
          .unpack = unpack::General{},
          .net = wait::MatchTransaction{.sleepMs = 10, .checks = 50, .failOnReceiveError = true}};
}

namespace {

// What the dialog says when its exchange ends short of an answer; silence and checks used up
// say nothing.
constexpr LinkTexts kInfoTexts{text::kPortBusy, text::kNotConnected, text::kSendFailed, false,
                               info_text::kNetworkReceiveError};

}  // namespace

Result<PresetWords> ReadPresetTable(LinkService& link, LinkMode mode, uint8_t unit) {
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(mode, PresetTableRequest(unit), kTableAnswerLength, PresetTablePolicy());
  if (r.outcome == Outcome::kBadLength) return Fail<PresetWords>(Status::kBadAnswer, {kBadFormatText});
  // Timed out or abandoned: the table stays as it is.
  if (const auto failed = LinkFailure(r, kInfoTexts)) return failed->As<PresetWords>();
  if (r.outcome != Outcome::kAnswered) return Fail<PresetWords>(Status::kNoAnswer);

  const std::span<const uint8_t> answer = link.receive().Stored();
  const RegisterVerdict verdict =
      CheckRegisterAnswer(answer, link.receive().count, unit, mode == LinkMode::kNetwork, 2 * kPresetRegisters);
  if (verdict == RegisterVerdict::kCrc) return Fail<PresetWords>(Status::kBadAnswer);  // dropped without a word
  // The display takes all 72 registers: an answer that holds another number is not the table.
  if (verdict == RegisterVerdict::kShort || (verdict == RegisterVerdict::kGood && answer[2] != 2 * kPresetRegisters))
    return Fail<PresetWords>(Status::kBadAnswer, {kBadFormatText});
  if (verdict != RegisterVerdict::kGood) return Fail<PresetWords>(Status::kBadAnswer, {RegisterVerdictText(verdict)});
  PresetWords words{};
  for (int k = 0; k < kPresetRegisters; ++k) words[k] = GetU16(answer, 3 + 2 * static_cast<size_t>(k));
  return Ok(words);
}

Result<uint16_t> ReadInfoRegister(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg) {
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r =
      link.Exchange(mode, ReadRegisters(unit, fn::kReadHolding, reg, 1), kRegisterAnswerLength, InfoRegisterPolicy());
  const bool network = mode == LinkMode::kNetwork;
  const auto bad = [](std::vector<Notice> notices) { return Result<uint16_t>{Status::kBadAnswer, std::move(notices), std::nullopt}; };
  if (r.outcome == Outcome::kBadLength && network) return bad({{kBadFormatText}, {info_text::kReceiveError}});
  if (r.outcome != Outcome::kAnswered && r.outcome != Outcome::kIdle) {
    if (auto failed = LinkFailure(r, kInfoTexts); failed && failed->status != Status::kNoAnswer) return failed->As<uint16_t>();
    if (r.outcome == Outcome::kReceiveError) return Fail<uint16_t>(Status::kNoAnswer, {info_text::kNetworkReceiveError});
    return bad({{text::kBadAnswer}});
  }
  const std::span<const uint8_t> answer = link.receive().Stored();
  if (network) {
    if (r.outcome != Outcome::kAnswered) return bad({{text::kBadAnswer}});
    const RegisterVerdict verdict = CheckRegisterAnswer(answer, link.receive().count, unit, true, 2);
    if (verdict == RegisterVerdict::kGood) return Ok(GetU16(answer, 3));
    const char* text = verdict == RegisterVerdict::kAddress ? kAddressMismatchText : kBadFormatText;
    return bad({{text}, {info_text::kReceiveError}});
  }
  // Off the network the answer is taken at the first quiet check once it is whole.
  if (r.outcome == Outcome::kIdle && AcceptsRead(answer, unit) && answer[1] == fn::kReadHolding && answer[2] == 2)
    return Ok(GetU16(answer, 3));
  return bad({{text::kBadAnswer}});
}

Result<FaultAlarmWords> ReadFaultsAndAlarms(LinkService& link, LinkMode mode, uint8_t unit) {
  const Result<uint16_t> faults = ReadInfoRegister(link, mode, unit, kFaultRegister);
  if (!faults.ok()) return faults.As<FaultAlarmWords>();
  const Result<uint16_t> alarms = ReadInfoRegister(link, mode, unit, kAlarmRegister);
  Result<FaultAlarmWords> read = alarms.As<FaultAlarmWords>();
  read.value = FaultAlarmWords{*faults.value, alarms.value};
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

Result<CustomPresetWords> CheckCustomPreset(const PresetRow& texts) {
  const auto refused = [](const char* message, const char* caption, int column) {
    return Fail<CustomPresetWords>(Status::kRefused, {message, caption, false, column});
  };
  std::array<int64_t, kPresetColumns> units{};
  for (int j = 0; j < kPresetColumns; ++j) {
    const bool integer = kCustomRanges[j].integer;
    const auto typed = integer ? TypedUnits(texts[j], NumberKind::kWhole)
                               : TypedUnits(texts[j], NumberKind::kDecimal, kVoltDecimals);
    if (!typed) return refused(integer ? kNotAnIntegerText : info_text::kNotANumber, "", j);
    units[j] = *typed;
  }
  for (int j = 0; j < kPresetColumns; ++j) {
    const Range& range = kCustomRanges[j];
    if (units[j] < range.min || units[j] > range.max) return refused(range.message, info_text::kRangeCaption, j);
  }
  CustomPresetWords words{};
  // The period and the coefficient go as their low byte (the coefficient in two's complement).
  for (int j = 0; j < kPresetColumns; ++j)
    words[j] = static_cast<uint16_t>(kCustomRanges[j].integer ? units[j] & 0xFF : units[j]);
  return Ok(words);
}

RtuFrame CustomPresetFrame(uint8_t unit, const CustomPresetWords& words) {
  std::vector<uint8_t> data;
  for (uint16_t w : words) PutU16(data, w);
  return WriteRegisters(unit, kCustomPresetStart, data);
}

Result<> SendCustomPreset(LinkService& link, LinkMode mode, const RtuFrame& frame) {
  return SendParamWrite(link, mode, frame);
}

std::string CustomPresetText(const CustomPresetWords& row) {
  std::string all;
  for (int j = 0; j < kPresetColumns; ++j) all += (j ? " " : "") + PresetText(j, row[j]);
  return all;
}

Result<CustomPresetWords> SetCustomPresetVerified(LinkService& link, LinkMode mode, uint8_t unit,
                                                  const CustomPresetWords& words) {
  const auto text = CustomPresetText;
  return WriteAndVerify<CustomPresetWords>(
      link, mode,
      {.write = [&] { return SendCustomPreset(link, mode, CustomPresetFrame(unit, words)); },
       .readBack = [&] {
         const Result<PresetWords> table = ReadPresetTable(link, mode, unit);
         Result<CustomPresetWords> row = table.As<CustomPresetWords>();
         if (table.value) {
           CustomPresetWords stored{};
           std::copy_n(table.value->begin() + kPresetColumns * kCustomPresetRow, kPresetColumns, stored.begin());
           row.value = stored;
         }
         return row;
       },
       .same = [&](const CustomPresetWords& read) { return read == words; },
       .shown = text,
       .written = [&] { return text(words); }});
}

}  // namespace kaviro
