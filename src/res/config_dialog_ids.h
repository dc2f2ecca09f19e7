#pragma once

// The control IDs of the configuration dialog (template 132).
namespace kaviro::config_ids {

inline constexpr int kWorkMode = 1002;
inline constexpr int kComPort = 1000;
inline constexpr int kControllerIp = 1136;
inline constexpr int kDeviceId = 1001;
inline constexpr int kPollInterval = 1004;
inline constexpr int kLanguage = 1003;

// The battery voltage radios, in order
inline constexpr int kBattery12V = 1033;
inline constexpr int kBattery24V = 1034;
inline constexpr int kBattery48V = 1035;
inline constexpr int kResult = 1006;  // what the last confirmation did
inline constexpr int kConfirm = 1005;

}  // namespace kaviro::config_ids
