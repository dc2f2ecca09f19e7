#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tools/relay/rd_command.h"

namespace kaviro {

// Where a handler's device text comes from.
enum class RdDevice {
  kFactory,   // "36": the address every RD answers before its wireless address is read
  kChosen,    // the ModbusID box when it has a text, else the wireless address's last byte
  kWireless,  // the wireless address's last byte
  kPrevious,  // the ModbusID change: the last remembered ModbusID while the box has a text
};

// How a handler's count-or-data text is made.
enum class RdData {
  kFixed,
  kIdAndBattery,  // (ModbusID index + 1) × 256 + battery index + 1
  kRange,         // action volts × 256 + restore offset in tenths, of relay `index`
  kWarning,       // millivolts of warning voltage `index`
};

// One row of the RD dialog's handler table: what the control puts into the request builder,
// and which controls it enables or disables before sending.
struct RdButton {
  int id;
  RdDevice device;
  const char* function;
  const char* address;
  RdData data;
  const char* fixed = "";  // kFixed
  int index = 0;           // kRange, kWarning
  std::span<const int> enable = {};
  std::span<const int> disable = {};
  bool asciiFromAddress = false;  // the ASCII data is the wireless address edit's text
  bool remembersModbusId = false; // afterwards the ModbusID box's text is the one remembered
  bool selection = false;         // a list's accepted selection rather than a click
};

std::span<const RdButton> RdButtons();
const RdButton* FindRdButton(int id);

// What the device choice looks at.
struct RdDeviceChoice {
  std::string modbusIdText;  // the ModbusID box
  uint8_t wirelessLast = 0x36;
  std::string lastRdModbusId;
};
std::string RdDeviceText(RdDevice device, const RdDeviceChoice& choice);

// What the computed data texts are made of: the list selections (-1: none) and the edits.
struct RdInputs {
  int modbusIdIndex = -1;
  int batteryIndex = -1;
  std::array<std::array<std::string, 2>, 3> ranges;  // action voltage, restore offset
  std::array<std::string, 2> warnings;               // alarm, warning voltage
};
// Nothing when an edit it takes holds no number of its range.
std::optional<std::string> RdDataText(const RdButton& button, const RdInputs& inputs);

uint16_t RdIdAndBatteryWord(int modbusIdIndex, int batteryIndex);
// A relay's range: the action voltage in whole volts (0 to 255) high, the restore offset in
// tenths of a volt (0 to 25.5 V) low. A warning voltage in millivolts (0 to 65.535 V). The edits
// are typed numbers (rounded to the register's units); nothing when one is no number of its range,
// since a masked or wrapped value would reach the RD as another threshold.
std::optional<uint16_t> RdRangeWord(std::string_view action, std::string_view offset);
std::optional<uint16_t> RdWarningWord(std::string_view volts);

// The builder's texts for `button`, or the refusal to show when its inputs cannot be sent: a
// threshold out of range, or a ModbusID change before the RD's present address is known (it would
// go to unit 0, the broadcast address).
struct RdPress {
  std::optional<RdBuilderTexts> texts;
  std::string refusal;
};
RdPress RdButtonTexts(const RdButton& button, const RdDeviceChoice& choice, const RdInputs& inputs,
                      std::string ascii = {});

inline constexpr const char* kRdBadInputText = "输入数据有误，请重新输入！";
inline constexpr const char* kRdModbusIdUnknownText = "RD的ModbusID未知，请先点击“RD读信息”";

// A button as the dialog runs it: its builder texts (refused inputs end here, nothing sent), then
// the request; `unit` in place of the device the button names.
Result<RdAnswer> PressRdButton(LinkService& link, const RdButton& button, const RdDeviceChoice& choice,
                               const RdInputs& inputs, RelayMemory& memory, std::optional<uint8_t> unit = {});

// The command line's setting: the button's request, confirmed by the RD's echo ("设置失败！"
// without it), then read back with `readBack` and compared by `same`.
struct RdCheck {
  const RdButton* readBack;
  std::function<bool(const RdAnswer&)> same;
  std::string written;  // the setting as the user sees it
};
struct RdSetting {
  RdAnswer set;                      // the setting's own answer
  std::optional<RdAnswer> readBack;  // once it was read back
};
Result<RdSetting> SetRdVerified(LinkService& link, const RdButton& set, const RdCheck& check, const RdDeviceChoice& choice,
                               const RdInputs& inputs, RelayMemory& memory, std::optional<uint8_t> unit = {});

// The wireless address the dialog starts with: 0, then the characters of "21206".
inline constexpr std::array<uint8_t, 6> kRdFactoryWirelessAddress = {0x00, 0x32, 0x31, 0x32, 0x30, 0x36};

}  // namespace kaviro
