#pragma once
#include "res/button_ids.h"

// The control IDs of the RD settings dialog (template 149).
namespace kaviro::relay_ids {

inline constexpr int kWirelessAddress = 1463;
inline constexpr int kReadAddress = 1464;
inline constexpr int kWriteAddress = 1465;  // never shown
inline constexpr int kFactoryReset = 1471;

// The port row of an older design: never shown
inline constexpr int kPort = 1466;
inline constexpr int kBaudRate = 1467;
inline constexpr int kOpenDevice = 1468;

// Basic settings
inline constexpr int kActiveMode = 1472;
inline constexpr int kPassiveMode = 1473;
inline constexpr int kReadInformation = 1021;
inline constexpr int kRelay1Off = 1474;
inline constexpr int kRelay1On = 1036;
inline constexpr int kRelay2Off = 1037;
inline constexpr int kRelay2On = 1038;
inline constexpr int kRelay3Off = 1039;
inline constexpr int kRelay3On = 1040;
inline constexpr int kBuzzerEnabled = 1041;
inline constexpr int kBuzzerDisabled = 1042;
inline constexpr int kBuzzerQuiet = 1043;
inline constexpr int kBuzzerSounding = 1044;
inline constexpr int kBatteryCount = 1475;
inline constexpr int kBatteryVoltage = 1483;
inline constexpr int kModbusId = 1489;
inline constexpr int kReadCount = 1490;  // how many information reads were decoded

// Relay action ranges: action voltage, restore offset, read, set
inline constexpr int kRelay1Action = 1009;
inline constexpr int kRelay1Restore = 1010;
inline constexpr int kReadRelay1Range = 1484;
inline constexpr int kSetRelay1Range = 1480;
inline constexpr int kRelay2Action = 1011;
inline constexpr int kRelay2Restore = 1012;
inline constexpr int kReadRelay2Range = 1485;
inline constexpr int kSetRelay2Range = 1481;
inline constexpr int kRelay3Action = 1013;
inline constexpr int kRelay3Restore = 1014;
inline constexpr int kReadRelay3Range = 1486;
inline constexpr int kSetRelay3Range = 1482;

// Warning voltages
inline constexpr int kAlarmVoltage = 1015;
inline constexpr int kReadAlarmVoltage = 1487;
inline constexpr int kSetAlarmVoltage = 1131;
inline constexpr int kWarningVoltage = 1016;
inline constexpr int kReadWarningVoltage = 1488;
inline constexpr int kSetWarningVoltage = 1132;

// Device identification
inline constexpr int kVendorName = 1002;
inline constexpr int kProductCode = 1003;
inline constexpr int kHardwareVersion = 1005;
inline constexpr int kSoftwareVersion = 1006;
inline constexpr int kSerialNumber = 1008;
inline constexpr int kReadIdentification = 1018;

// The request builder every button fills: never shown
inline constexpr int kRunBuilder = 1020;
inline constexpr int kBuilderDevice = 1469;
inline constexpr int kBuilderFunction = 1470;
inline constexpr int kBuilderAddress = 1476;
inline constexpr int kBuilderCountOrData = 1477;
inline constexpr int kBuilderAscii = 1478;
inline constexpr int kBuilderAnswer = 1007;  // the answer as dumped
inline constexpr int kBuilderResult = 1479;  // the answer as decoded
inline constexpr int kExit = button_ids::kOk;

// The per-relay and per-voltage buttons, by relay (warning voltage) index.
inline constexpr int kRelayOnButtons[] = {kRelay1On, kRelay2On, kRelay3On};
inline constexpr int kRelayOffButtons[] = {kRelay1Off, kRelay2Off, kRelay3Off};
inline constexpr int kRangeSetButtons[] = {kSetRelay1Range, kSetRelay2Range, kSetRelay3Range};
inline constexpr int kRangeReadButtons[] = {kReadRelay1Range, kReadRelay2Range, kReadRelay3Range};
inline constexpr int kWarningSetButtons[] = {kSetAlarmVoltage, kSetWarningVoltage};
inline constexpr int kWarningReadButtons[] = {kReadAlarmVoltage, kReadWarningVoltage};

}  // namespace kaviro::relay_ids
