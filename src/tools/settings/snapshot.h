#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/settings/setting_kinds.h"

namespace kaviro {

// One setting of a snapshot: its value, or why it could not be read.
struct SettingEntry {
  std::string name;
  std::vector<uint16_t> registers;
  std::optional<SettingValue> value;
  std::string unreadable;  // when there is no value
  bool operator==(const SettingEntry&) const = default;
};

// Everything a user can set on one controller, and which controller, link and time it came from.
struct Snapshot {
  std::string taken;  // ISO 8601 local time with its offset
  std::string tool;   // "kaviro " and the version
  std::string link;   // the link it was read over, as the user named it
  std::vector<SettingEntry> entries;

  const SettingEntry* Find(std::string_view name) const;
  // The serial number identification object, when it was read.
  std::optional<std::string> Serial() const;
};

std::string ToolVersionText();
std::string NowText();

// Reads every group; `progress` hears of each group before it is read (may be empty).
Snapshot ReadSnapshot(const SettingsTarget& target, std::string linkText,
                      const std::function<void(const SettingKind&)>& progress = {});

// The entry as a list shows it: the text, or why it is not there.
std::string EntryText(const SettingEntry* entry);

struct Difference {
  const SettingKind* kind;
  const SettingEntry* left;  // nothing: not in the left snapshot
  const SettingEntry* right;
};
// The settings whose words differ, in the kinds' order; unreadable on both sides counts as equal.
// What makes a controller itself is compared only between snapshots of the same serial number.
std::vector<Difference> Differences(const Snapshot& left, const Snapshot& right);

}  // namespace kaviro
