#include "tools/settings/setting_kinds.h"

#include <algorithm>

#include "link/text_format.h"
#include "tools/settings/setting_groups.h"

namespace kaviro {

namespace {

std::vector<SettingKind> AllKinds() {
  std::vector<SettingKind> all;
  for (const SettingGroup* group : SettingGroups()) {
    std::vector<SettingKind> kinds = group->Kinds();
    for (size_t i = 0; i < kinds.size(); ++i) {
      kinds[i].group = group;
      kinds[i].index = static_cast<int>(i);
    }
    all.insert(all.end(), kinds.begin(), kinds.end());
  }
  return all;
}

}  // namespace

std::span<const SettingGroup* const> SettingGroups() {
  static const SettingGroup* const kGroups[] = {
      &ParamSettingsGroup(),   &CustomPresetSettingsGroup(),  &LightingSettingsGroup(),
      &NetworkSettingsGroup(), &MacSettingsGroup(),           &IdentificationSettingsGroup(),
      &RadioSettingsGroup(),   &ModbusAddressSettingsGroup(), &RelaySettingsGroup()};
  return kGroups;
}

std::span<const SettingKind> SettingKinds() {
  static const std::vector<SettingKind> kinds = AllKinds();
  return kinds;
}

const SettingKind* FindSettingKind(std::string_view name) {
  const auto kinds = SettingKinds();
  const auto it = std::ranges::find(kinds, name, &SettingKind::name);
  return it == kinds.end() ? nullptr : &*it;
}

std::optional<std::string> SettingText(const SettingKind& kind, std::span<const uint16_t> words) {
  return kind.group->Text(kind.index, words);
}

std::string RegistersText(std::span<const uint16_t> registers) {
  std::string text;
  for (const uint16_t r : registers) text += (text.empty() ? "" : ",") + Format("0x%04X", r);
  return text;
}

}  // namespace kaviro
