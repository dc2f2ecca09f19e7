#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/link_service.h"
#include "res/controller_info_dialog_ids.h"
#include "tools/controller/param_register.h"

namespace kaviro {

// The controller's battery presets: 8 types × 9 parameters in holding registers from 0x2000;
// type i, parameter j in 0x2000 + 9i + j. The last type is the user's own and writable.
inline constexpr uint16_t kPresetTableStart = 0x2000;
inline constexpr int kPresetRows = 8;
inline constexpr int kPresetColumns = 9;
inline constexpr int kPresetRegisters = kPresetRows * kPresetColumns;
inline constexpr int kCustomPresetRow = 7;
inline constexpr uint16_t kCustomPresetStart = kPresetTableStart + kCustomPresetRow * kPresetColumns;  // 0x203F

inline constexpr uint16_t kFaultRegister = 0x002C;
inline constexpr uint16_t kAlarmRegister = 0x002E;
inline constexpr uint16_t kDipRegister = 0x0030;

using PresetWords = std::array<uint16_t, kPresetRegisters>;
using PresetRow = std::array<std::string, kPresetColumns>;
using PresetTexts = std::array<PresetRow, kPresetRows>;
using CustomPresetWords = std::array<uint16_t, kPresetColumns>;

// A label of the dialog that the operations name: its control ID and text.
struct InfoLabel {
  int id;
  const char* text;
};

// Battery types, row by row (rows 1 and 2, 3 and 4 carry the same name).
inline constexpr InfoLabel kPresetRowLabels[kPresetRows] = {
    {info_ids::kGelRow, "胶体"},
    {info_ids::kSealedRow, "密封"},
    {info_ids::kSealed2Row, "密封"},
    {info_ids::kFloodedRow, "铅酸"},
    {info_ids::kFlooded2Row, "铅酸"},
    {info_ids::kLithiumManganeseRow, "锰酸锂"},
    {info_ids::kLithiumPowerRow, "动力锂"},
    {info_ids::kCustomRow, "自定义"},
};
inline constexpr const char* kPresetColumnNames[kPresetColumns] = {
    "吸收V", "浮充V", "均衡V", "均衡周期", "最高电压", "关闭电压", "低电压上限", "中电压上限", "温度系数",
};
// The edit of row i, column j.
constexpr int PresetEditId(int row, int column) { return info_ids::PresetEdit(row, column); }
static_assert(info_ids::kPresetEditsPerRow == kPresetColumns);

inline constexpr InfoLabel kFaultLabels[] = {
    {info_ids::kBatteryFault, "电池故障"},
    {info_ids::kBatterySensorShorted, "电池温度传感器短路"},
    {info_ids::kBatterySensorOpen, "电池温度传感器开路"},
    {info_ids::kChargeSensorShorted, "充放电温度常感器短路"},
    {info_ids::kChargeSensorOpen, "充放电温度传感器开路"},
    {info_ids::kAmbientSensorShorted, "环境温度传感器短路"},
    {info_ids::kAmbientSensorOpen, "环境温度传感器开路"},
    {info_ids::kSenseVoltageFault, "蓄电池感应电压Vs故障"},
};
inline constexpr InfoLabel kAlarmLabels[] = {
    {info_ids::kDipMismatchAlarm, "电池电压和DIP拨码开关设置不同"},
    {info_ids::kLoadLowAlarm, "负载电压过低"},
    {info_ids::kLoadHighAlarm, "负载电压过高"},
    {info_ids::kLoadShortedAlarm, "负载短路"},
    {info_ids::kLoadOverloadAlarm, "负载过载"},
    {info_ids::kBoardTemperatureAlarm, "板载温度传感器(充放电)温度超出"},
};

// Switches 1 to 8 (bits 0 to 7) and the separate wireless switch (bit 8): the indicator that
// shows "1" when the switch is on and the one that shows "0" when it is off.
struct DipIndicator {
  int onId;
  int offId;
};
inline constexpr int kDipSwitches = 9;
inline constexpr DipIndicator kDipIndicators[kDipSwitches] = {
    {info_ids::DipOnIndicator(0), info_ids::DipOffIndicator(0)},
    {info_ids::DipOnIndicator(1), info_ids::DipOffIndicator(1)},
    {info_ids::DipOnIndicator(2), info_ids::DipOffIndicator(2)},
    {info_ids::DipOnIndicator(3), info_ids::DipOffIndicator(3)},
    {info_ids::DipOnIndicator(4), info_ids::DipOffIndicator(4)},
    {info_ids::DipOnIndicator(5), info_ids::DipOffIndicator(5)},
    {info_ids::DipOnIndicator(6), info_ids::DipOffIndicator(6)},
    {info_ids::DipOnIndicator(7), info_ids::DipOffIndicator(7)},
    {info_ids::DipOnIndicator(8), info_ids::DipOffIndicator(8)},
};

// A group of options set by some switches: exactly one of its labels is lit.
struct DipGroup {
  const char* name;
  int (*select)(uint16_t word);  // index into options
  std::array<InfoLabel, kPresetRows> options;
  int count;
};
inline constexpr int kDipGroups = 6;
extern const DipGroup kDipGroupTable[kDipGroups];

struct DipView {
  std::array<bool, kDipSwitches> on{};
  std::array<InfoLabel, kDipGroups> lit{};  // per group of kDipGroupTable
};
DipView DecodeDip(uint16_t word);

namespace info_text {
inline constexpr const char* kNetworkReceiveError = "接收数据错误，请检查网络连接！";
inline constexpr const char* kReceiveError = "接收数据错误！";
inline constexpr const char* kRangeCaption = "输入范围错误";
inline constexpr const char* kNotANumber = "请键入一个数。";
}  // namespace info_text

// The text a preset register shows in its column: volts with two decimals, the equalise period
// as its low byte, the temperature coefficient as its low byte signed.
std::string PresetText(int column, uint16_t value);
PresetTexts PresetTableTexts(const PresetWords& words);

RtuFrame PresetTableRequest(uint8_t unit);
// Serial and wireless: 30 checks of 100 ms, whatever waits appended, done once the whole answer
// is in, given up silently after 4 empty checks in a row; at most the receive buffer is kept.
// Network: 50 receives of 10 ms, a failed receive ends the wait.
ExchangePolicy PresetTablePolicy();
// One register: 5 checks of 100 ms; the answer is taken at the first empty check once it is whole.
ExchangePolicy InfoRegisterPolicy();

Result<PresetWords> ReadPresetTable(LinkService& link, LinkMode mode, uint8_t unit);

// One holding register, checked for the unit, the function and (serial, wireless) the CRC.
Result<uint16_t> ReadInfoRegister(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg);

// The fault word, then the alarm word (read only once the faults were); the value holds what was
// read, also when the alarms failed.
struct FaultAlarmWords {
  uint16_t faults = 0;
  std::optional<uint16_t> alarms;
};
Result<FaultAlarmWords> ReadFaultsAndAlarms(LinkService& link, LinkMode mode, uint8_t unit);

// The user's row as typed: numbers first (the first text that is none stops with its prompt),
// then the ranges in column order (caption kRangeCaption); the refusal's field is its column.
Result<CustomPresetWords> CheckCustomPreset(const PresetRow& texts);

// Function 0x10, 9 registers from 0x203F: 27 bytes.
RtuFrame CustomPresetFrame(uint8_t unit, const CustomPresetWords& words);
// Sends the write and waits for the controller's standard answer, as the clock write does:
// "设置成功！" only once it came.
Result<> SendCustomPreset(LinkService& link, LinkMode mode, const RtuFrame& frame);
// The user's row as one line: its columns' texts, blank between.
std::string CustomPresetText(const CustomPresetWords& words);
// The command line's write: confirmed, then the table read back and its row 7 compared.
Result<CustomPresetWords> SetCustomPresetVerified(LinkService& link, LinkMode mode, uint8_t unit,
                                                  const CustomPresetWords& words);

}  // namespace kaviro
