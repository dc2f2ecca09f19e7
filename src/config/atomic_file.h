#pragma once
#include <filesystem>
#include <string_view>

namespace kaviro {

// Writes `bytes` to a temporary file beside `path` and renames it over `path`: a crash or a
// failed write never leaves a truncated file behind. False when anything failed.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kaviro
