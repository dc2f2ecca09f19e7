#pragma once

// The control IDs of the trend window (template 162).
namespace kaviro::trend_ids {

inline constexpr int kRegisters = 1320;  // the registers to follow, ticked
inline constexpr int kChart = 1321;
inline constexpr int kMinutes = 1322;
inline constexpr int kPause = 1323;
inline constexpr int kResetZoom = 1324;
inline constexpr int kSavePicture = 1325;
inline constexpr int kRecord = 1326;
inline constexpr int kRecordFile = 1327;

// The columns of kRegisters.
enum Column { kName, kUnit, kColumns };

}  // namespace kaviro::trend_ids
