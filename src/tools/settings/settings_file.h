#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/common/result.h"
#include "tools/settings/snapshot.h"

namespace kaviro {

// A snapshot as a JSON file: {"format": "kaviro-settings", "version": 1, "taken", "tool", "link",
// "identification": {vendor, product, hw, sw, serial}, "settings": [{name, registers, text, words}
// or {name, registers, unreadable}]}.
std::string SettingsFileText(const Snapshot& snapshot);

// The file's snapshot, or why it is refused (kRefused, the text names `fileName`): not JSON or cut
// short, another format or version, an unknown or repeated setting, registers or a word count that
// are not the setting's, a word outside 0 to 65535, a text that is not what its words show.
Result<Snapshot> ParseSettingsFile(std::string_view bytes, const std::string& fileName);

Result<Snapshot> LoadSettingsFile(const std::filesystem::path& path);
// Written whole or not at all.
Result<> SaveSettingsFile(const std::filesystem::path& path, const Snapshot& snapshot);

}  // namespace kaviro
