#pragma once
#include <utility>

#include "tools/settings/setting_kinds.h"

namespace kaviro {

// The groups SettingKinds() is made of, in reading order.
const SettingGroup& ParamSettingsGroup();
const SettingGroup& CustomPresetSettingsGroup();
const SettingGroup& LightingSettingsGroup();
const SettingGroup& NetworkSettingsGroup();
const SettingGroup& MacSettingsGroup();
const SettingGroup& IdentificationSettingsGroup();
const SettingGroup& RadioSettingsGroup();
const SettingGroup& ModbusAddressSettingsGroup();
const SettingGroup& RelaySettingsGroup();

// An operation's result with its value as a setting's.
template <typename T, typename F>
Result<SettingValue> ValueFrom(const Result<T>& r, F&& convert) {
  Result<SettingValue> out = r.template As<SettingValue>();
  if (r.value) out.value = std::forward<F>(convert)(*r.value);
  return out;
}

}  // namespace kaviro
