#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/link_service.h"
#include "tools/common/result.h"

namespace kaviro {

// One setting as read or as kept in a file: the text the dialog shows and the register words.
struct SettingValue {
  std::string text;
  std::vector<uint16_t> words;
  bool operator==(const SettingValue&) const = default;
};

// What a setting is to an apply: an ordinary one; one the link depends on (written only when
// asked, and last); one that makes the controller itself (never copied to another controller).
enum class SettingClass { kPlain, kLink, kIdentity };

// The controller a snapshot is read from or applied to.
struct SettingsTarget {
  LinkService& link;
  LinkMode mode;
  uint8_t unit;
  uint8_t rdUnit = 0x36;
};

class SettingGroup;

struct SettingKind {
  std::string name;
  std::vector<uint16_t> registers;
  SettingClass kind = SettingClass::kPlain;
  int order = 0;  // where an apply writes it among the rest
  const SettingGroup* group = nullptr;
  int index = 0;  // within its group
};

// The settings' words as an apply expects the controller to hold them, by name.
using SettingsState = std::map<std::string, std::vector<uint16_t>, std::less<>>;

// Settings that are read together and written by the same dialog's operations.
class SettingGroup {
 public:
  virtual ~SettingGroup() = default;
  // The group's settings; index i is the i-th of these.
  virtual std::vector<SettingKind> Kinds() const = 0;
  // One result per kind, in the kinds' order.
  virtual std::vector<Result<SettingValue>> Read(const SettingsTarget& target) const = 0;
  // The text the words show as; nothing when they are not as many as the setting has.
  virtual std::optional<std::string> Text(int index, std::span<const uint16_t> words) const = 0;
  // Why the words cannot be written while the controller holds `state`; nothing when they can.
  virtual std::optional<std::string> Check(int index, std::span<const uint16_t> words,
                                           const SettingsState& state) const = 0;
  // The requests a write would send (for a dry run).
  virtual std::vector<RtuFrame> Frames(const SettingsTarget& target, int index,
                                       std::span<const uint16_t> words) const = 0;
  // The write through the dialog's operation, confirmed and read back.
  virtual Result<SettingValue> Write(const SettingsTarget& target, int index,
                                     std::span<const uint16_t> words) const = 0;
};

// Every setting a snapshot holds, in the order it is read and listed.
std::span<const SettingKind> SettingKinds();
const SettingKind* FindSettingKind(std::string_view name);
// The groups in reading order.
std::span<const SettingGroup* const> SettingGroups();

// The display text of a kind's words, when they are as many as it has.
std::optional<std::string> SettingText(const SettingKind& kind, std::span<const uint16_t> words);

// Registers as "0xHHHH" joined by ",": how the lists and the file name them.
std::string RegistersText(std::span<const uint16_t> registers);

}  // namespace kaviro
