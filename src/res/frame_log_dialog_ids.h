#pragma once

// The control IDs of the frame log window (template 161).
namespace kaviro::frame_log_ids {

inline constexpr int kFrames = 1310;
inline constexpr int kFilter = 1311;
inline constexpr int kCopyToConsole = 1312;
inline constexpr int kClear = 1313;

// The columns of kFrames.
enum Column { kTime, kDirection, kHex, kSummary, kCrc, kGap, kColumns };

}  // namespace kaviro::frame_log_ids
