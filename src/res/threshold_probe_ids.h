#pragma once
#include "res/button_ids.h"

// The control IDs of the threshold probe (template 151).
namespace kaviro::probe_ids {

inline constexpr int kSent = 1015;
inline constexpr int kReceived = 1016;
inline constexpr int kLowAlarmShown = 1492;  // 报警温度小, as read
inline constexpr int kHighAlarmShown = 1493;  // 报警温度大, as read
inline constexpr int kLowAlarmInput = 1013;
inline constexpr int kHighAlarmInput = 1014;
inline constexpr int kProbe = 1494;
inline constexpr int kSetAlarms = 1495;
inline constexpr int kSetResult = 1496;
inline constexpr int kOk = button_ids::kOk;
inline constexpr int kCancel = button_ids::kCancel;

}  // namespace kaviro::probe_ids
