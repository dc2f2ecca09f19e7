#pragma once

// The control IDs of the action dialog (template 146).
namespace kaviro::action_ids {

inline constexpr int kEqualise = 1165;
inline constexpr int kResetController = 1153;
inline constexpr int kResetMaintenance = 1166;
inline constexpr int kClearChargeAh = 1169;
inline constexpr int kClearChargeKwh = 1168;
inline constexpr int kDisconnectCharging = 1167;
inline constexpr int kClearLoadAh = 1170;
inline constexpr int kClearLoadKwh = 1171;
inline constexpr int kDisconnectLoad = 1172;
inline constexpr int kClearFaults = 1173;
inline constexpr int kClearAlarms = 1174;

}  // namespace kaviro::action_ids
