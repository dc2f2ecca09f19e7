#pragma once

namespace kaviro {

// Menu command IDs of the flat menu bar.
namespace cmd {
inline constexpr int kDevice = 32787;
inline constexpr int kConfig = 32771;
inline constexpr int kModbusTest = 32776;
inline constexpr int kReadLog = 32779;
inline constexpr int kNetwork = 32780;
inline constexpr int kControllerInfo = 32782;
inline constexpr int kBlank = 1;
inline constexpr int kActions = 32785;
inline constexpr int kParameters = 32786;
inline constexpr int kRelay = 32788;
inline constexpr int kThresholdProbe = 32789;
inline constexpr int kSettingsBackup = 32790;
inline constexpr int kLinkStats = 32791;  // after the tool's own items
inline constexpr int kFrameLog = 32792;
inline constexpr int kTrend = 32793;
}  // namespace cmd

}  // namespace kaviro
