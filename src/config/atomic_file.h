#pragma once
#include <filesystem>
#include <string_view>

namespace kaviro {

// Writes `bytes` to a temporary file of its own beside `path`, syncs it, renames it over `path`
// and syncs the directory: a crash, a failed write or a second writer never leaves anything but
// a whole old or a whole new file under `path`. Temporary files are removed on failure, and those
// of killed writers by the next write. False when anything failed.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kaviro
