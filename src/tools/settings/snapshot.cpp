#include "tools/settings/snapshot.h"

#include <algorithm>
#include <ctime>

#include "link/text_format.h"
#include "monitor/time_texts.h"

namespace kaviro {

const SettingEntry* Snapshot::Find(std::string_view name) const {
  const auto it = std::ranges::find(entries, name, &SettingEntry::name);
  return it == entries.end() ? nullptr : &*it;
}

std::optional<std::string> Snapshot::Serial() const {
  const SettingEntry* serial = Find("ident-serial");
  if (!serial || !serial->value) return std::nullopt;
  return serial->value->text;
}

std::string ToolVersionText() { return std::string("kaviro ") + KAVIRO_VERSION; }

std::string NowText() {
  std::string iso = LocalTimestamp(std::time(nullptr));  // ...+0800 as ...+08:00
  if (iso.size() >= 5) iso.insert(iso.end() - 2, ':');
  return iso;
}

Snapshot ReadSnapshot(const SettingsTarget& target, std::string linkText,
                      const std::function<void(const SettingKind&)>& progress) {
  Snapshot s{NowText(), ToolVersionText(), std::move(linkText), {}};
  const std::span<const SettingKind> kinds = SettingKinds();
  for (size_t first = 0; first < kinds.size();) {
    const SettingGroup* group = kinds[first].group;
    if (progress) progress(kinds[first]);
    const std::vector<Result<SettingValue>> read = group->Read(target);
    for (size_t i = 0; i < read.size(); ++i) {
      const SettingKind& kind = kinds[first + i];
      SettingEntry entry{kind.name, kind.registers, read[i].value, {}};
      if (!read[i].ok()) {
        entry.value.reset();
        const std::string why = read[i].Text();
        entry.unreadable = why.empty() ? "no answer" : why;
      }
      s.entries.push_back(std::move(entry));
    }
    first += read.size();
  }
  return s;
}

std::string EntryText(const SettingEntry* entry) {
  if (!entry) return "(not in the file)";
  if (!entry->value) return "(unreadable: " + entry->unreadable + ")";
  return entry->value->text;
}

std::vector<Difference> Differences(const Snapshot& left, const Snapshot& right) {
  const std::optional<std::string> serial = left.Serial();
  const bool sameController = serial && serial == right.Serial();
  std::vector<Difference> out;
  for (const SettingKind& kind : SettingKinds()) {
    if (kind.kind == SettingClass::kIdentity && !sameController) continue;
    const SettingEntry* a = left.Find(kind.name);
    const SettingEntry* b = right.Find(kind.name);
    const bool aHas = a && a->value, bHas = b && b->value;
    if (!aHas && !bHas) continue;
    if (aHas && bHas && a->value->words == b->value->words) continue;
    out.push_back({&kind, a, b});
  }
  return out;
}

}  // namespace kaviro
