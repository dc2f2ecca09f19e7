#pragma once

// The control IDs of the link statistics panel (template 160).
namespace kaviro::link_stats_ids {

inline constexpr int kFigures = 1300;
inline constexpr int kReset = 1301;
inline constexpr int kRecord = 1302;
inline constexpr int kRecordFile = 1303;

}  // namespace kaviro::link_stats_ids
