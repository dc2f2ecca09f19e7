#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kaviro {

// One relay's range as its two edits show it: action voltage and restore offset.
struct RdRangeShown {
  int relay = 0;  // 0, 1, 2
  std::string action, offset;
};

// A warning voltage as its edit shows it (0: the alarm voltage, 1: the warning voltage).
struct RdWarningShown {
  int index = 0;
  std::string volts;
};

// The "RD读信息" block: relays, run mode, buzzer, battery voltage, Modbus address, battery count.
struct RdInfo {
  std::array<bool, 3> relays{};  // d0 bits 0..2
  uint8_t runMode = 0;           // d1: 0 active (relays follow the voltage), otherwise passive
  uint8_t buzzerMode = 0;        // d2: 0 enabled
  uint8_t buzzerState = 0;       // d3: 0 quiet
  float batteryVolts = 0;        // d4 d5 in millivolts
  std::string batteryText;       // "%.3f " for the battery voltage edit
  uint8_t modbusId = 0;          // d6
  int modbusIdIndex = -1;        // the ModbusID list's selection: "01" is 0; -1 none
  std::string modbusIdText;      // the ModbusID box's text after the answer
  uint8_t batteryCode = 0;       // d7
  std::optional<int> batteryIndex;  // the battery list's selection; nothing: left as it is
  int readCount = 0;             // information answers decoded in this program run, this one included
};

// What an RD answer changes: the result text and the controls it sets.
struct RdDecoded {
  std::string text;           // the result text ("实际数据:")
  bool shortAnswer = false;   // the decoding wanted bytes that did not come (they counted as 0)
  std::optional<std::array<uint8_t, 5>> wirelessAddress;  // the RD's wireless address, now known
  bool showWirelessAddress = false;                        // ...and the address edit shows it
  std::optional<std::array<std::string, 5>> identity;      // vendor, product, hardware, software, serial
  std::optional<RdRangeShown> range;
  std::optional<RdWarningShown> warning;
  std::optional<RdInfo> info;
};

// Decodes `answer` (unit, function, data: the RD's answer behind its network header) by the
// request's address and function. `sentAddress`: the five wireless address bytes a write of
// 0x1000 carried. Bytes the answer lacks count as 0, and the text then ends with the short note.
RdDecoded DecodeRdAnswer(uint16_t address, uint8_t function, std::span<const uint8_t> answer,
                         std::span<const uint8_t, 5> sentAddress);

// The battery-count code as its text: "0自动匹配 ", "1节12V ", "2节24V ", "4节48V ", "%d自动匹配 ".
std::string RdBatteryText(int code);

inline constexpr const char* kRdShortAnswerText = "（返回数据不完整）";

}  // namespace kaviro
