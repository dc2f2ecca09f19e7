// The controller's own settings: the parameter rows, the user's battery row and the lighting times.
#include <algorithm>

#include "link/text_format.h"
#include "tools/console/lighting.h"
#include "tools/controller/controller_info.h"
#include "tools/controller/param_settings.h"
#include "tools/settings/setting_groups.h"

namespace kaviro {

namespace {

const ParamRow& Row(int index) { return ParamRows()[static_cast<size_t>(index)]; }

class ParamGroup final : public SettingGroup {
 public:
  std::vector<SettingKind> Kinds() const override {
    std::vector<SettingKind> kinds;
    for (const ParamRow& row : ParamRows()) kinds.push_back({row.name, {row.reg}});
    return kinds;
  }

  std::vector<Result<SettingValue>> Read(const SettingsTarget& t) const override {
    std::vector<Result<SettingValue>> values;
    for (const ParamRow& row : ParamRows()) {
      const Result<ParamValue> read = ReadParamValue(t.link, t.mode, t.unit, row);
      values.push_back(ValueFrom(read, [](const ParamValue& v) { return SettingValue{v.text, {v.word}}; }));
    }
    return values;
  }

  std::optional<std::string> Text(int index, std::span<const uint16_t> words) const override {
    if (words.size() != 1) return std::nullopt;
    return ParamWordText(Row(index), words[0]);
  }

  std::optional<std::string> Check(int index, std::span<const uint16_t> words,
                                   const SettingsState& state) const override {
    const ParamRow& row = Row(index);
    std::vector<double> companions;
    for (int i = 0; i < row.companionCount; ++i) {
      const ParamRow& companion = *FindParamRow(row.companions[static_cast<size_t>(i)]);
      const auto held = state.find(companion.name);
      if (held == state.end() || held->second.size() != 1) return Format("its bound %s is not known", companion.name);
      companions.push_back(ParamReading(companion, held->second[0]));
    }
    const Result<uint16_t> checked = CheckParamInput(row, ParamInputText(row, words[0]), companions);
    if (!checked.ok()) return checked.Text() + " " + row.rangeNote;
    if (*checked.value != words[0]) return std::string("the dialog cannot write this word");
    return std::nullopt;
  }

  std::vector<RtuFrame> Frames(const SettingsTarget& t, int index, std::span<const uint16_t> words) const override {
    const ParamRow& row = Row(index);
    std::vector<RtuFrame> frames;
    for (int i = 0; i < row.companionCount; ++i)
      frames.push_back(ParamReadRequest(t.unit, row.companions[static_cast<size_t>(i)]));
    frames.push_back(WriteRegister(t.unit, row.reg, words[0]));
    frames.push_back(ParamReadRequest(t.unit, row.reg));
    return frames;
  }

  Result<SettingValue> Write(const SettingsTarget& t, int index, std::span<const uint16_t> words) const override {
    const ParamRow& row = Row(index);
    return ValueFrom(SetParamVerified(t.link, t.mode, t.unit, row, ParamInputText(row, words[0])),
                     [](const ParamValue& v) {
                       return SettingValue{v.text, {v.word}};
                     });
  }
};

CustomPresetWords CustomWords(std::span<const uint16_t> words) {
  CustomPresetWords row{};
  std::copy_n(words.begin(), kPresetColumns, row.begin());
  return row;
}

SettingValue CustomValue(const CustomPresetWords& row) {
  return {CustomPresetText(row), std::vector<uint16_t>(row.begin(), row.end())};
}

class CustomPresetGroup final : public SettingGroup {
 public:
  std::vector<SettingKind> Kinds() const override {
    std::vector<uint16_t> registers;
    for (int j = 0; j < kPresetColumns; ++j) registers.push_back(static_cast<uint16_t>(kCustomPresetStart + j));
    return {{"battery-custom", registers}};
  }

  std::vector<Result<SettingValue>> Read(const SettingsTarget& t) const override {
    return {ValueFrom(ReadPresetTable(t.link, t.mode, t.unit), [](const PresetWords& table) {
      return CustomValue(CustomWords(std::span(table).subspan(kPresetColumns * kCustomPresetRow)));
    })};
  }

  std::optional<std::string> Text(int, std::span<const uint16_t> words) const override {
    if (words.size() != kPresetColumns) return std::nullopt;
    return CustomPresetText(CustomWords(words));
  }

  std::optional<std::string> Check(int, std::span<const uint16_t> words, const SettingsState&) const override {
    PresetRow texts;
    for (int j = 0; j < kPresetColumns; ++j)
      texts[static_cast<size_t>(j)] = PresetText(j, words[static_cast<size_t>(j)]);
    const Result<CustomPresetWords> checked = CheckCustomPreset(texts);
    if (!checked.ok()) return checked.Text();
    if (*checked.value != CustomWords(words)) return std::string("the dialog cannot write these words");
    return std::nullopt;
  }

  std::vector<RtuFrame> Frames(const SettingsTarget& t, int, std::span<const uint16_t> words) const override {
    return {CustomPresetFrame(t.unit, CustomWords(words)), PresetTableRequest(t.unit)};
  }

  Result<SettingValue> Write(const SettingsTarget& t, int, std::span<const uint16_t> words) const override {
    return ValueFrom(SetCustomPresetVerified(t.link, t.mode, t.unit, CustomWords(words)), CustomValue);
  }
};

constexpr const char* kLightingNames[kLightingSlots] = {"lighting-dusk-on", "lighting-dusk-off", "lighting-dawn-on",
                                                        "lighting-dawn-off"};

uint32_t Seconds(std::span<const uint16_t> words) { return static_cast<uint32_t>(words[0]) << 16 | words[1]; }
SettingValue TimeValue(uint32_t seconds) {
  return {TimeOfDayText(seconds), {static_cast<uint16_t>(seconds >> 16), static_cast<uint16_t>(seconds)}};
}

class LightingGroup final : public SettingGroup {
 public:
  std::vector<SettingKind> Kinds() const override {
    std::vector<SettingKind> kinds;
    for (size_t k = 0; k < kLightingSlots; ++k) {
      const uint16_t reg = kLightingSlotTable[k].reg;
      kinds.push_back({kLightingNames[k], {reg, static_cast<uint16_t>(reg + 1)}});
    }
    return kinds;
  }

  std::vector<Result<SettingValue>> Read(const SettingsTarget& t) const override {
    const Result<LightingTimes> read = ReadLightingTimes(t.link, t.mode, t.unit);
    std::vector<Result<SettingValue>> values;
    for (size_t k = 0; k < kLightingSlots; ++k)
      values.push_back(ValueFrom(read, [k](const LightingTimes& times) { return TimeValue(times[k]); }));
    return values;
  }

  std::optional<std::string> Text(int, std::span<const uint16_t> words) const override {
    if (words.size() != 2) return std::nullopt;
    return TimeOfDayText(Seconds(words));
  }

  std::optional<std::string> Check(int, std::span<const uint16_t> words, const SettingsState&) const override {
    if (!ParseTimeOfDay(TimeOfDayText(Seconds(words)))) return std::string("not a time of day (00:00:00 to 23:59:59)");
    return std::nullopt;
  }

  std::vector<RtuFrame> Frames(const SettingsTarget& t, int index, std::span<const uint16_t> words) const override {
    return {LightingFrame(t.unit, kLightingSlotTable[static_cast<size_t>(index)].reg, Seconds(words))};
  }

  Result<SettingValue> Write(const SettingsTarget& t, int index, std::span<const uint16_t> words) const override {
    const auto k = static_cast<size_t>(index);
    return ValueFrom(SetLightingTimeVerified(t.link, t.mode, t.unit, kLightingSlotTable[k], Seconds(words)),
                     [k](const LightingTimes& times) { return TimeValue(times[k]); });
  }
};

}  // namespace

const SettingGroup& ParamSettingsGroup() {
  static const ParamGroup group;
  return group;
}
const SettingGroup& CustomPresetSettingsGroup() {
  static const CustomPresetGroup group;
  return group;
}
const SettingGroup& LightingSettingsGroup() {
  static const LightingGroup group;
  return group;
}

}  // namespace kaviro
