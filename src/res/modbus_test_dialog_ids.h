#pragma once

// The control IDs of the Modbus test console (template 136).
namespace kaviro::console_ids {

// Raw frame console: the address list (also every other group's address)
inline constexpr int kAddress = 1012;
inline constexpr int kFunction = 1007;
inline constexpr int kStartRegister = 1013;
inline constexpr int kValue = 1014;
inline constexpr int kValueHint = 1021;  // what the value means for the chosen function
inline constexpr int kCrc = 1015;
inline constexpr int kFrame = 1017;
inline constexpr int kAnswer = 1016;
inline constexpr int kComputeCrc = 1009;
inline constexpr int kSend = 1010;

// Device identification
inline constexpr int kIdentificationRequest = 1019;
inline constexpr int kIdentificationAnswer = 1004;
inline constexpr int kVendorName = 1002;
inline constexpr int kProductCode = 1003;
inline constexpr int kHardwareVersion = 1005;
inline constexpr int kSoftwareVersion = 1006;
inline constexpr int kSerialNumber = 1008;
inline constexpr int kReadIdentification = 1018;
inline constexpr int kUpdateIdentification = 1020;

// Network module
inline constexpr int kMac = 1133;
inline constexpr int kReadMac = 1141;
inline constexpr int kWriteMac = 1131;
inline constexpr int kListenPort = 1001;
inline constexpr int kAutomaticIp = 1139;  // 自动获得IP
inline constexpr int kStaticIp = 1140;
inline constexpr int kIp = 1136;
inline constexpr int kMask = 1137;
inline constexpr int kGateway = 1138;
inline constexpr int kReadNetwork = 1134;
inline constexpr int kWriteNetwork = 1135;

// Wireless addresses and the Modbus address
inline constexpr int kControllerRadio = 1142;
inline constexpr int kRdRadio = 1143;
inline constexpr int kRtsRadio = 1144;
inline constexpr int kRdRadioOn = 1145;
inline constexpr int kRtsRadioOn = 1146;
inline constexpr int kReadWireless = 1151;
inline constexpr int kWriteWireless = 1152;
inline constexpr int kNewModbusAddress = 1147;
inline constexpr int kReadModbusAddress = 1148;
inline constexpr int kWriteModbusAddress = 1149;
inline constexpr int kModbusAddressShown = 1150;  // a disabled button that shows the address read

// Lighting schedule: each picker and its button
inline constexpr int kDuskOnTime = 1119;
inline constexpr int kSetDuskOn = 1121;
inline constexpr int kDuskOffTime = 1120;
inline constexpr int kSetDuskOff = 1122;
inline constexpr int kDawnOnTime = 1123;
inline constexpr int kSetDawnOn = 1124;
inline constexpr int kDawnOffTime = 1127;
inline constexpr int kSetDawnOff = 1128;

}  // namespace kaviro::console_ids
