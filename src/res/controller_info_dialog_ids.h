#pragma once

// The control IDs of the controller information dialog (template 140).
namespace kaviro::info_ids {

// The battery types, row by row: each row's label
inline constexpr int kGelRow = 1236;
inline constexpr int kSealedRow = 1237;
inline constexpr int kSealed2Row = 1238;
inline constexpr int kFloodedRow = 1239;
inline constexpr int kFlooded2Row = 1240;
inline constexpr int kLithiumManganeseRow = 1241;
inline constexpr int kLithiumPowerRow = 1242;
inline constexpr int kCustomRow = 1243;
inline constexpr int kSetCustomRow = 1126;
inline constexpr int kReadPresets = 1125;

// The options the DIP switches choose, each lit while chosen
inline constexpr int kStandardLoad = 1226;
inline constexpr int kLightingLoad = 1227;
inline constexpr int kLowFrequency = 1230;
inline constexpr int kHighFrequency = 1231;
inline constexpr int kBatteries48V = 1232;
inline constexpr int kBatteries24V = 1233;
inline constexpr int kBatteries12V = 1234;
inline constexpr int kBatteriesAuto = 1235;
inline constexpr int kManualEqualise = 1244;
inline constexpr int kAutomaticEqualise = 1245;
inline constexpr int kRtsRadio = 1246;
inline constexpr int kMeterRadio = 1247;
inline constexpr int kReadSwitches = 1229;
inline constexpr int kSwitchReadCount = 1298;

// Fault bits 0 to 7, each lit while set
inline constexpr int kBatteryFault = 1260;
inline constexpr int kBatterySensorShorted = 1261;
inline constexpr int kBatterySensorOpen = 1262;
inline constexpr int kChargeSensorShorted = 1263;
inline constexpr int kChargeSensorOpen = 1264;
inline constexpr int kAmbientSensorShorted = 1265;
inline constexpr int kAmbientSensorOpen = 1266;
inline constexpr int kSenseVoltageFault = 1267;

// Alarm bits 0 to 5
inline constexpr int kDipMismatchAlarm = 1268;
inline constexpr int kLoadLowAlarm = 1269;
inline constexpr int kLoadHighAlarm = 1270;
inline constexpr int kLoadShortedAlarm = 1271;
inline constexpr int kLoadOverloadAlarm = 1272;
inline constexpr int kBoardTemperatureAlarm = 1273;
inline constexpr int kReadFaultsAndAlarms = 1274;
inline constexpr int kFaultReadCount = 1299;

// The preset table's edits, row by row: row i, column j is PresetEdit(i, j). Row 7, the user's
// own, is the editable one.
inline constexpr int kFirstPresetEdit = 1154;
inline constexpr int kPresetEditsPerRow = 9;
constexpr int PresetEdit(int row, int column) { return kFirstPresetEdit + kPresetEditsPerRow * row + column; }

// The DIP indicators of switch k (0 to 7, then the wireless switch): the one that shows "1" when
// it is on, and beside it the one that shows "0" when it is off.
inline constexpr int kFirstDipIndicator = 1278;
constexpr int DipOnIndicator(int k) { return kFirstDipIndicator + 2 * k; }
constexpr int DipOffIndicator(int k) { return DipOnIndicator(k) + 1; }

}  // namespace kaviro::info_ids
