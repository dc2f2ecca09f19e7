#include "res/controller_info_dialog_ids.h"
#include "res/templates.h"

namespace kaviro::res {

namespace {
using namespace info_ids;

constexpr ControlTemplate kControls[] = {
    // The eight battery types: rows 0 to 6 are fixed presets, row 7 the user's own.
    {-1, Kind::kGroupBox, "8种电池信息", 118, 26, 332, 126},
    {-1, Kind::kLabel, "吸收V   浮充V   均衡V  均衡周期", 158, 39, 128, 9},
    {-1, Kind::kLabel, "最高电压", 286, 39, 32, 9},
    {-1, Kind::kLabel, "关闭电压", 318, 39, 32, 9},
    {-1, Kind::kLabel, "低电压上限", 350, 39, 32, 9},
    {-1, Kind::kLabel, "中电压上限", 382, 39, 32, 9},
    {-1, Kind::kLabel, "温度系数", 414, 39, 32, 9},
    {kGelRow, Kind::kLabel, "胶体", 122, 51, 34, 9, kDisabled},
    {kSealedRow, Kind::kLabel, "密封", 122, 63, 34, 9, kDisabled},
    {kSealed2Row, Kind::kLabel, "密封", 122, 75, 34, 9, kDisabled},
    {kFloodedRow, Kind::kLabel, "铅酸", 122, 87, 34, 9, kDisabled},
    {kFlooded2Row, Kind::kLabel, "铅酸", 122, 99, 34, 9, kDisabled},
    {kLithiumManganeseRow, Kind::kLabel, "锰酸锂", 122, 111, 34, 9, kDisabled},
    {kLithiumPowerRow, Kind::kLabel, "动力锂", 122, 123, 34, 9, kDisabled},
    {kCustomRow, Kind::kLabel, "自定义", 122, 135, 34, 9, kDisabled},
    {PresetEdit(0, 0), Kind::kEditReadOnly, "", 158, 50, 30, 11}, {PresetEdit(0, 1), Kind::kEditReadOnly, "", 190, 50, 30, 11}, {PresetEdit(0, 2), Kind::kEditReadOnly, "", 222, 50, 30, 11},
    {PresetEdit(0, 3), Kind::kEditReadOnly, "", 254, 50, 30, 11}, {PresetEdit(0, 4), Kind::kEditReadOnly, "", 286, 50, 30, 11}, {PresetEdit(0, 5), Kind::kEditReadOnly, "", 318, 50, 30, 11},
    {PresetEdit(0, 6), Kind::kEditReadOnly, "", 350, 50, 30, 11}, {PresetEdit(0, 7), Kind::kEditReadOnly, "", 382, 50, 30, 11}, {PresetEdit(0, 8), Kind::kEditReadOnly, "", 414, 50, 30, 11},
    {PresetEdit(1, 0), Kind::kEditReadOnly, "", 158, 62, 30, 11}, {PresetEdit(1, 1), Kind::kEditReadOnly, "", 190, 62, 30, 11}, {PresetEdit(1, 2), Kind::kEditReadOnly, "", 222, 62, 30, 11},
    {PresetEdit(1, 3), Kind::kEditReadOnly, "", 254, 62, 30, 11}, {PresetEdit(1, 4), Kind::kEditReadOnly, "", 286, 62, 30, 11}, {PresetEdit(1, 5), Kind::kEditReadOnly, "", 318, 62, 30, 11},
    {PresetEdit(1, 6), Kind::kEditReadOnly, "", 350, 62, 30, 11}, {PresetEdit(1, 7), Kind::kEditReadOnly, "", 382, 62, 30, 11}, {PresetEdit(1, 8), Kind::kEditReadOnly, "", 414, 62, 30, 11},
    {PresetEdit(2, 0), Kind::kEditReadOnly, "", 158, 74, 30, 11}, {PresetEdit(2, 1), Kind::kEditReadOnly, "", 190, 74, 30, 11}, {PresetEdit(2, 2), Kind::kEditReadOnly, "", 222, 74, 30, 11},
    {PresetEdit(2, 3), Kind::kEditReadOnly, "", 254, 74, 30, 11}, {PresetEdit(2, 4), Kind::kEditReadOnly, "", 286, 74, 30, 11}, {PresetEdit(2, 5), Kind::kEditReadOnly, "", 318, 74, 30, 11},
    {PresetEdit(2, 6), Kind::kEditReadOnly, "", 350, 74, 30, 11}, {PresetEdit(2, 7), Kind::kEditReadOnly, "", 382, 74, 30, 11}, {PresetEdit(2, 8), Kind::kEditReadOnly, "", 414, 74, 30, 11},
    {PresetEdit(3, 0), Kind::kEditReadOnly, "", 158, 86, 30, 11}, {PresetEdit(3, 1), Kind::kEditReadOnly, "", 190, 86, 30, 11}, {PresetEdit(3, 2), Kind::kEditReadOnly, "", 222, 86, 30, 11},
    {PresetEdit(3, 3), Kind::kEditReadOnly, "", 254, 86, 30, 11}, {PresetEdit(3, 4), Kind::kEditReadOnly, "", 286, 86, 30, 11}, {PresetEdit(3, 5), Kind::kEditReadOnly, "", 318, 86, 30, 11},
    {PresetEdit(3, 6), Kind::kEditReadOnly, "", 350, 86, 30, 11}, {PresetEdit(3, 7), Kind::kEditReadOnly, "", 382, 86, 30, 11}, {PresetEdit(3, 8), Kind::kEditReadOnly, "", 414, 86, 30, 11},
    {PresetEdit(4, 0), Kind::kEditReadOnly, "", 158, 98, 30, 11}, {PresetEdit(4, 1), Kind::kEditReadOnly, "", 190, 98, 30, 11}, {PresetEdit(4, 2), Kind::kEditReadOnly, "", 222, 98, 30, 11},
    {PresetEdit(4, 3), Kind::kEditReadOnly, "", 254, 98, 30, 11}, {PresetEdit(4, 4), Kind::kEditReadOnly, "", 286, 98, 30, 11}, {PresetEdit(4, 5), Kind::kEditReadOnly, "", 318, 98, 30, 11},
    {PresetEdit(4, 6), Kind::kEditReadOnly, "", 350, 98, 30, 11}, {PresetEdit(4, 7), Kind::kEditReadOnly, "", 382, 98, 30, 11}, {PresetEdit(4, 8), Kind::kEditReadOnly, "", 414, 98, 30, 11},
    {PresetEdit(5, 0), Kind::kEditReadOnly, "", 158, 110, 30, 11}, {PresetEdit(5, 1), Kind::kEditReadOnly, "", 190, 110, 30, 11}, {PresetEdit(5, 2), Kind::kEditReadOnly, "", 222, 110, 30, 11},
    {PresetEdit(5, 3), Kind::kEditReadOnly, "", 254, 110, 30, 11}, {PresetEdit(5, 4), Kind::kEditReadOnly, "", 286, 110, 30, 11}, {PresetEdit(5, 5), Kind::kEditReadOnly, "", 318, 110, 30, 11},
    {PresetEdit(5, 6), Kind::kEditReadOnly, "", 350, 110, 30, 11}, {PresetEdit(5, 7), Kind::kEditReadOnly, "", 382, 110, 30, 11}, {PresetEdit(5, 8), Kind::kEditReadOnly, "", 414, 110, 30, 11},
    {PresetEdit(6, 0), Kind::kEditReadOnly, "", 158, 122, 30, 11}, {PresetEdit(6, 1), Kind::kEditReadOnly, "", 190, 122, 30, 11}, {PresetEdit(6, 2), Kind::kEditReadOnly, "", 222, 122, 30, 11},
    {PresetEdit(6, 3), Kind::kEditReadOnly, "", 254, 122, 30, 11}, {PresetEdit(6, 4), Kind::kEditReadOnly, "", 286, 122, 30, 11}, {PresetEdit(6, 5), Kind::kEditReadOnly, "", 318, 122, 30, 11},
    {PresetEdit(6, 6), Kind::kEditReadOnly, "", 350, 122, 30, 11}, {PresetEdit(6, 7), Kind::kEditReadOnly, "", 382, 122, 30, 11}, {PresetEdit(6, 8), Kind::kEditReadOnly, "", 414, 122, 30, 11},
    {PresetEdit(7, 0), Kind::kEdit, "", 158, 134, 30, 11}, {PresetEdit(7, 1), Kind::kEdit, "", 190, 134, 30, 11}, {PresetEdit(7, 2), Kind::kEdit, "", 222, 134, 30, 11},
    {PresetEdit(7, 3), Kind::kEdit, "", 254, 134, 30, 11}, {PresetEdit(7, 4), Kind::kEdit, "", 286, 134, 30, 11}, {PresetEdit(7, 5), Kind::kEdit, "", 318, 134, 30, 11},
    {PresetEdit(7, 6), Kind::kEdit, "", 350, 134, 30, 11}, {PresetEdit(7, 7), Kind::kEdit, "", 382, 134, 30, 11}, {PresetEdit(7, 8), Kind::kEdit, "", 414, 134, 30, 11},
    {kSetCustomRow, Kind::kButton, "设置", 454, 63, 40, 16},
    {kReadPresets, Kind::kButton, "读取", 454, 102, 40, 16},

    // The DIP switches: an ON row and an OFF row of indicators above the switch numbers, one
    // character of the number row (4 units) apart.
    {-1, Kind::kLabel, "ON", 11, 182, 16, 9},
    {-1, Kind::kLabel, "OFF", 11, 193, 16, 9},
    {-1, Kind::kLabel, " 1     2     3  4     5  6  7    8", 30, 204, 140, 9},
    {DipOnIndicator(0), Kind::kLabelCentred, "", 32, 182, 8, 9}, {DipOffIndicator(0), Kind::kLabelCentred, "", 32, 193, 8, 9},
    {DipOnIndicator(1), Kind::kLabelCentred, "", 56, 182, 8, 9}, {DipOffIndicator(1), Kind::kLabelCentred, "", 56, 193, 8, 9},
    {DipOnIndicator(2), Kind::kLabelCentred, "", 80, 182, 8, 9}, {DipOffIndicator(2), Kind::kLabelCentred, "", 80, 193, 8, 9},
    {DipOnIndicator(3), Kind::kLabelCentred, "", 92, 182, 8, 9}, {DipOffIndicator(3), Kind::kLabelCentred, "", 92, 193, 8, 9},
    {DipOnIndicator(4), Kind::kLabelCentred, "", 116, 182, 8, 9}, {DipOffIndicator(4), Kind::kLabelCentred, "", 116, 193, 8, 9},
    {DipOnIndicator(5), Kind::kLabelCentred, "", 128, 182, 8, 9}, {DipOffIndicator(5), Kind::kLabelCentred, "", 128, 193, 8, 9},
    {DipOnIndicator(6), Kind::kLabelCentred, "", 140, 182, 8, 9}, {DipOffIndicator(6), Kind::kLabelCentred, "", 140, 193, 8, 9},
    {DipOnIndicator(7), Kind::kLabelCentred, "", 160, 182, 8, 9}, {DipOffIndicator(7), Kind::kLabelCentred, "", 160, 193, 8, 9},
    {-1, Kind::kLabel, "负载模式", 20, 214, 34, 9},
    {-1, Kind::kLabel, "频率", 58, 214, 18, 9},
    {-1, Kind::kLabel, "电池节数", 78, 214, 34, 9},
    {-1, Kind::kLabel, "电池类型", 114, 214, 34, 9},
    {-1, Kind::kLabel, "均衡模式", 152, 214, 34, 9},
    {kStandardLoad, Kind::kLabel, "标准", 24, 225, 20, 9, kDisabled},
    {kLightingLoad, Kind::kLabel, "照明", 24, 235, 20, 9, kDisabled},
    {kLowFrequency, Kind::kLabel, "低频", 58, 225, 20, 9, kDisabled},
    {kHighFrequency, Kind::kLabel, "高频", 58, 235, 20, 9, kDisabled},
    {kBatteries48V, Kind::kLabel, "48V", 82, 225, 30, 9, kDisabled},
    {kBatteries24V, Kind::kLabel, "24V", 82, 235, 30, 9, kDisabled},
    {kBatteries12V, Kind::kLabel, "12V", 82, 245, 30, 9, kDisabled},
    {kBatteriesAuto, Kind::kLabel, "自动判断", 82, 255, 34, 9, kDisabled},
    {kManualEqualise, Kind::kLabel, "手动", 160, 225, 20, 9, kDisabled},
    {kAutomaticEqualise, Kind::kLabel, "自动", 160, 235, 20, 9, kDisabled},
    // The separate wireless switch.
    {DipOnIndicator(8), Kind::kLabelCentred, "", 219, 182, 8, 9}, {DipOffIndicator(8), Kind::kLabelCentred, "", 219, 193, 8, 9},
    {-1, Kind::kLabel, "1", 221, 205, 8, 9},
    {-1, Kind::kLabel, "无线RTS", 208, 214, 34, 9},
    {kRtsRadio, Kind::kLabel, "RTS", 212, 225, 24, 9, kDisabled},
    {kMeterRadio, Kind::kLabel, "Metter", 212, 235, 28, 9, kDisabled},
    {kReadSwitches, Kind::kButton, "读开关状态", 251, 175, 42, 16},
    {kSwitchReadCount, Kind::kEdit, "", 251, 195, 30, 12, kDisabled},

    // Fault and alarm bits, each name lit while its bit is set; long names take two lines.
    {-1, Kind::kGroupBox, "故障", 294, 157, 98, 146},
    {-1, Kind::kLabel, "bit0", 298, 168, 16, 16}, {kBatteryFault, Kind::kLabel, "电池故障", 316, 168, 74, 16, kDisabled},
    {-1, Kind::kLabel, "bit1", 298, 184, 16, 16}, {kBatterySensorShorted, Kind::kLabel, "电池温度传感器短路", 316, 184, 74, 16, kDisabled},
    {-1, Kind::kLabel, "bit2", 298, 200, 16, 16}, {kBatterySensorOpen, Kind::kLabel, "电池温度传感器开路", 316, 200, 74, 16, kDisabled},
    {-1, Kind::kLabel, "bit3", 298, 216, 16, 16}, {kChargeSensorShorted, Kind::kLabel, "充放电温度常感器短路", 316, 216, 74, 16, kDisabled},
    {-1, Kind::kLabel, "bit4", 298, 232, 16, 16}, {kChargeSensorOpen, Kind::kLabel, "充放电温度传感器开路", 316, 232, 74, 16, kDisabled},
    {-1, Kind::kLabel, "bit5", 298, 248, 16, 16}, {kAmbientSensorShorted, Kind::kLabel, "环境温度传感器短路", 316, 248, 74, 16, kDisabled},
    {-1, Kind::kLabel, "bit6", 298, 264, 16, 16}, {kAmbientSensorOpen, Kind::kLabel, "环境温度传感器开路", 316, 264, 74, 16, kDisabled},
    {-1, Kind::kLabel, "bit7", 298, 280, 16, 16}, {kSenseVoltageFault, Kind::kLabel, "蓄电池感应电压Vs故障", 316, 280, 74, 16, kDisabled},
    {-1, Kind::kGroupBox, "报警", 395, 157, 104, 146},
    {-1, Kind::kLabel, "bit0", 399, 168, 16, 18}, {kDipMismatchAlarm, Kind::kLabel, "电池电压和DIP拨码开关设置不同", 417, 168, 80, 18, kDisabled},
    {-1, Kind::kLabel, "bit1", 399, 188, 16, 18}, {kLoadLowAlarm, Kind::kLabel, "负载电压过低", 417, 188, 80, 18, kDisabled},
    {-1, Kind::kLabel, "bit2", 399, 208, 16, 18}, {kLoadHighAlarm, Kind::kLabel, "负载电压过高", 417, 208, 80, 18, kDisabled},
    {-1, Kind::kLabel, "bit3", 399, 228, 16, 18}, {kLoadShortedAlarm, Kind::kLabel, "负载短路", 417, 228, 80, 18, kDisabled},
    {-1, Kind::kLabel, "bit4", 399, 248, 16, 18}, {kLoadOverloadAlarm, Kind::kLabel, "负载过载", 417, 248, 80, 18, kDisabled},
    {-1, Kind::kLabel, "bit5", 399, 268, 16, 18}, {kBoardTemperatureAlarm, Kind::kLabel, "板载温度传感器(充放电)温度超出", 417, 268, 80, 18, kDisabled},
    {kReadFaultsAndAlarms, Kind::kButton, "获取故障和报警信息", 346, 306, 80, 16},
    {kFaultReadCount, Kind::kEdit, "", 432, 308, 30, 12, kDisabled},
};
}  // namespace

const DialogTemplate kControllerInfoDialog{140, "控制器基本信息", 502, 345, kControls};

}  // namespace kaviro::res
