// The RD accessory's settings, reached through the controller's network side while its
// "485连接RD设置" says it is connected.
#include <functional>

#include "link/link_texts.h"
#include "link/text_format.h"
#include "res/relay_dialog_ids.h"
#include "tools/controller/param_settings.h"
#include "tools/relay/rd_buttons.h"
#include "tools/settings/setting_groups.h"

namespace kaviro {

namespace {

constexpr uint16_t kRdLinkRegister = 0x0041;

enum Index { kMode, kBuzzer, kBattery, kRange1, kRange2, kRange3, kAlarm, kWarning, kCount };

struct RdSettingRow {
  const char* name;
  uint16_t reg;  // the register the setting is written to
};
constexpr RdSettingRow kRows[kCount] = {
    {"rd-mode", 0x2022},    {"rd-buzzer", 0x2021},  {"rd-battery-count", 0x2020}, {"rd-range-1", 0x2030},
    {"rd-range-2", 0x2031}, {"rd-range-3", 0x2032}, {"rd-alarm-voltage", 0x2033}, {"rd-warning-voltage", 0x2034},
};

bool IsRange(int index) { return index >= kRange1 && index <= kRange3; }
bool IsWarning(int index) { return index == kAlarm || index == kWarning; }
size_t Slot(int index) { return static_cast<size_t>(IsRange(index) ? index - kRange1 : index - kAlarm); }

// A register's word as the dialog decodes it.
RdDecoded DecodeWord(uint16_t address, uint16_t word) {
  const uint8_t answer[] = {0x36, fn::kReadHolding, 2, static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
  const std::array<uint8_t, 5> noAddress{};
  return DecodeRdAnswer(address, fn::kReadHolding, answer, noAddress);
}

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string WordText(int index, uint16_t word) {
  switch (index) {
    case kMode: return word ? "手动" : "自动";
    case kBuzzer: return word ? "屏蔽" : "工作";
    case kBattery: return Trimmed(RdBatteryText(word));
    default: break;
  }
  if (IsRange(index)) {
    const RdDecoded d = DecodeWord(static_cast<uint16_t>(0x2010 + Slot(index)), word);
    return d.range ? d.range->action + " " + d.range->offset : "";
  }
  const RdDecoded d = DecodeWord(static_cast<uint16_t>(0x2013 + Slot(index)), word);
  return d.warning ? d.warning->volts : "";
}

SettingValue Value(int index, uint16_t word) { return {WordText(index, word), {word}}; }

// The RD as the dialog's buttons reach it: at `rdUnit`.
struct RdReach {
  RdDeviceChoice choice;
  RdInputs inputs;
  RelayMemory memory;
};
RdReach Reach(const SettingsTarget& t) {
  RdReach r;
  r.choice.wirelessLast = t.rdUnit;
  return r;
}

// The information block, when the controller lets the RD be reached at all.
Result<RdAnswer> ReadInfo(const SettingsTarget& t, RdReach& r) {
  if (t.mode != LinkMode::kNetwork)
    return Fail<RdAnswer>(Status::kRefused, {"the RD is reached over the network link only"});
  DecodedValues values{};
  const Result<ParamValue> link = ReadParamRow(t.link, t.mode, t.unit, *FindParamRow(kRdLinkRegister), values);
  if (!link.ok()) return link.As<RdAnswer>();
  if (values.rdLinkSetting != 0)
    return Fail<RdAnswer>(Status::kRefused, {"485连接RD设置 (0x0041) is 1 (不连接): the RD is not reached"});
  const Result<RdAnswer> info =
      PressRdButton(t.link, *FindRdButton(relay_ids::kReadInformation), r.choice, r.inputs, r.memory, t.rdUnit);
  if (info.ok() && !info.value->decoded.info)
    return Fail<RdAnswer>(Status::kBadAnswer, {"the RD's answer is no information block"});
  return info;
}

uint16_t InfoWord(int index, const RdInfo& info) {
  return index == kMode ? info.runMode : index == kBuzzer ? info.buzzerMode : info.batteryCode;
}

int ReadButton(int index) {
  return IsRange(index) ? relay_ids::kRangeReadButtons[Slot(index)] : relay_ids::kWarningReadButtons[Slot(index)];
}

class RelayGroup final : public SettingGroup {
 public:
  std::vector<SettingKind> Kinds() const override {
    std::vector<SettingKind> kinds;
    for (const RdSettingRow& row : kRows) kinds.push_back({row.name, {row.reg}});
    return kinds;
  }

  std::vector<Result<SettingValue>> Read(const SettingsTarget& t) const override {
    RdReach r = Reach(t);
    const Result<RdAnswer> info = ReadInfo(t, r);
    std::vector<Result<SettingValue>> values;
    for (int i = kMode; i <= kBattery; ++i)
      values.push_back(ValueFrom(info, [i](const RdAnswer& a) { return Value(i, InfoWord(i, *a.decoded.info)); }));
    for (int i = kRange1; i < kCount; ++i) {
      if (!info.ok()) {
        values.push_back(info.As<SettingValue>());
        continue;
      }
      const Result<RdAnswer> read =
          PressRdButton(t.link, *FindRdButton(ReadButton(i)), r.choice, r.inputs, r.memory, t.rdUnit);
      Result<SettingValue> value = read.As<SettingValue>();
      const std::optional<uint16_t> word = read.value ? RdRegisterWord(*read.value) : std::nullopt;
      if (read.ok() && !word) value = Fail<SettingValue>(Status::kBadAnswer, {text::kBadAnswer});
      if (read.ok() && word) value.value = Value(i, *word);
      values.push_back(value);
    }
    return values;
  }

  std::optional<std::string> Text(int index, std::span<const uint16_t> words) const override {
    if (words.size() != 1) return std::nullopt;
    return WordText(index, words[0]);
  }

  std::optional<std::string> Check(int index, std::span<const uint16_t> words, const SettingsState&) const override {
    if ((index == kMode || index == kBuzzer) && words[0] > 1) return std::string("0 or 1");
    if (index == kBattery && (words[0] < 1 || words[0] > 3)) return std::string("1节12V, 2节24V or 4节48V (1 to 3)");
    return std::nullopt;
  }

  std::vector<RtuFrame> Frames(const SettingsTarget& t, int index, std::span<const uint16_t> words) const override {
    std::vector<RtuFrame> frames;
    if (index == kBattery) frames.push_back(RdRequestFrame(t.rdUnit, fn::kReadHolding, 0x0020, 4));
    // The ModbusID an RD answering at its unit address has.
    const uint16_t word = index == kBattery ? RdIdAndBatteryWord(t.rdUnit - 1, words[0] - 1) : words[0];
    frames.push_back(RdRequestFrame(t.rdUnit, fn::kWriteRegister, kRows[index].reg, word));
    return frames;
  }

  Result<SettingValue> Write(const SettingsTarget& t, int index, std::span<const uint16_t> words) const override {
    const uint16_t word = words[0];
    RdReach r = Reach(t);
    int button = 0, readBack = relay_ids::kReadInformation;
    std::function<bool(const RdAnswer&)> same;
    const auto info = [](const RdAnswer& a) -> const std::optional<RdInfo>& { return a.decoded.info; };
    switch (index) {
      case kMode:
        button = word ? relay_ids::kPassiveMode : relay_ids::kActiveMode;
        same = [=](const RdAnswer& a) { return info(a) && (info(a)->runMode != 0) == (word != 0); };
        break;
      case kBuzzer:
        button = word ? relay_ids::kBuzzerDisabled : relay_ids::kBuzzerEnabled;
        same = [=](const RdAnswer& a) { return info(a) && (info(a)->buzzerMode != 0) == (word != 0); };
        break;
      case kBattery: {
        // The battery count travels with the ModbusID: the RD's present one goes with it.
        const Result<RdAnswer> now = ReadInfo(t, r);
        if (!now.ok()) return now.As<SettingValue>();
        r.inputs.modbusIdIndex = now.value->decoded.info->modbusId - 1;
        r.inputs.batteryIndex = word - 1;
        button = relay_ids::kBatteryCount;
        same = [=](const RdAnswer& a) { return info(a) && info(a)->batteryCode == word; };
        break;
      }
      default:
        if (IsRange(index)) {
          button = relay_ids::kRangeSetButtons[Slot(index)];
          r.inputs.ranges[Slot(index)] = {Format("%u", word >> 8), Format("%.1f", (word & 0xFF) * 0.1)};
        } else {
          button = relay_ids::kWarningSetButtons[Slot(index)];
          r.inputs.warnings[Slot(index)] = Format("%.3f", word * 0.001);
        }
        readBack = ReadButton(index);
        same = [=](const RdAnswer& a) { return RdRegisterWord(a) == word; };
    }
    const Result<RdSetting> set =
        SetRdVerified(t.link, *FindRdButton(button), {FindRdButton(readBack), same, WordText(index, word)}, r.choice,
                      r.inputs, r.memory, t.rdUnit);
    Result<SettingValue> out = set.As<SettingValue>();
    if (set.value && set.value->readBack) {
      const RdAnswer& back = *set.value->readBack;
      if (IsRange(index) || IsWarning(index)) {
        if (const std::optional<uint16_t> w = RdRegisterWord(back)) out.value = Value(index, *w);
      } else if (back.decoded.info) {
        out.value = Value(index, InfoWord(index, *back.decoded.info));
      }
    }
    return out;
  }
};

}  // namespace

const SettingGroup& RelaySettingsGroup() {
  static const RelayGroup group;
  return group;
}

}  // namespace kaviro
