#include "res/relay_dialog_ids.h"
#include "res/templates.h"

namespace kaviro::res {

namespace {
using namespace relay_ids;

constexpr unsigned kDis = kDisabled;
constexpr unsigned kHid = kHidden;

constexpr ControlTemplate kControls[] = {
    {-1, Kind::kLabel, "无线地址：", 10, 10, 42, 9},
    {kWirelessAddress, Kind::kEdit, "", 54, 8, 64, 12},
    {kReadAddress, Kind::kButton, "读", 122, 7, 30, 14},
    {kWriteAddress, Kind::kButton, "写入", 156, 7, 30, 14, kHid},
    {kFactoryReset, Kind::kButton, "恢复出厂设置", 190, 7, 66, 14, kDis},

    // The port row of an older design: never shown, never read.
    {-1, Kind::kLabel, "RD端口:", 268, 10, 32, 9, kHid},
    {kPort, Kind::kDropList, "", 302, 8, 48, 120, kHid},
    {-1, Kind::kLabel, "波特率:", 354, 10, 32, 9, kHid},
    {kBaudRate, Kind::kDropList, "", 388, 8, 52, 120, kHid},
    {kOpenDevice, Kind::kButton, "打开设备", 446, 7, 50, 14, kHid},

    {-1, Kind::kGroupBox, "基本参数", 7, 26, 252, 180},
    {-1, Kind::kGroupBox, "RD运行模式", 14, 38, 114, 28},
    {kActiveMode, Kind::kRadioGroup, "主动模式", 20, 50, 50, 10, kDis},
    {kPassiveMode, Kind::kRadio, "被动模式", 72, 50, 50, 10, kDis},
    {kReadInformation, Kind::kButton, "RD读信息", 140, 44, 64, 16, kDis},
    {-1, Kind::kGroupBox, "继电器1", 14, 70, 74, 28},
    {kRelay1Off, Kind::kRadioGroup, "关", 20, 82, 30, 10, kDis},
    {kRelay1On, Kind::kRadio, "开", 52, 82, 30, 10, kDis},
    {-1, Kind::kGroupBox, "继电器2", 92, 70, 74, 28},
    {kRelay2Off, Kind::kRadioGroup, "关", 98, 82, 30, 10, kDis},
    {kRelay2On, Kind::kRadio, "开", 130, 82, 30, 10, kDis},
    {-1, Kind::kGroupBox, "继电器3", 170, 70, 74, 28},
    {kRelay3Off, Kind::kRadioGroup, "关", 176, 82, 30, 10, kDis},
    {kRelay3On, Kind::kRadio, "开", 208, 82, 30, 10, kDis},
    {-1, Kind::kGroupBox, "蜂鸣器模式", 14, 102, 114, 28},
    {kBuzzerEnabled, Kind::kRadioGroup, "启用", 20, 114, 46, 10, kDis},
    {kBuzzerDisabled, Kind::kRadio, "禁用", 72, 114, 46, 10, kDis},
    {-1, Kind::kGroupBox, "蜂鸣器状态", 132, 102, 112, 28},
    {kBuzzerQuiet, Kind::kRadioGroup, "灭", 138, 114, 46, 10, kDis},
    {kBuzzerSounding, Kind::kRadio, "响", 190, 114, 46, 10, kDis},
    {-1, Kind::kLabel, "电池数:", 14, 140, 36, 9},
    {kBatteryCount, Kind::kDropList, "", 52, 138, 64, 60, kDis},
    {-1, Kind::kLabel, "电池电压:", 124, 140, 40, 9},
    {kBatteryVoltage, Kind::kEdit, "", 166, 138, 56, 12, kDis},
    {-1, Kind::kLabel, "V", 226, 140, 10, 9},
    {-1, Kind::kLabel, "ModbusID:", 14, 160, 40, 9},
    {kModbusId, Kind::kDropList, "", 56, 158, 60, 120, kDis},
    {kReadCount, Kind::kLabel, "", 124, 160, 60, 9},

    {-1, Kind::kGroupBox, "继电器动作范围", 266, 26, 246, 82},
    {-1, Kind::kLabel, "动作电压", 306, 38, 40, 9},
    {-1, Kind::kLabel, "恢复电压", 356, 38, 40, 9},
    {-1, Kind::kLabel, "继电器1:", 272, 52, 34, 9},
    {kRelay1Action, Kind::kEdit, "", 308, 50, 36, 12},
    {-1, Kind::kLabel, "+", 346, 52, 8, 9},
    {kRelay1Restore, Kind::kEdit, "", 356, 50, 36, 12},
    {-1, Kind::kLabel, "V", 394, 52, 8, 9},
    {kReadRelay1Range, Kind::kButton, "读取", 406, 49, 48, 14, kDis},
    {kSetRelay1Range, Kind::kButton, "设置", 458, 49, 48, 14, kDis},
    {-1, Kind::kLabel, "继电器2:", 272, 70, 34, 9},
    {kRelay2Action, Kind::kEdit, "", 308, 68, 36, 12},
    {-1, Kind::kLabel, "+", 346, 70, 8, 9},
    {kRelay2Restore, Kind::kEdit, "", 356, 68, 36, 12},
    {-1, Kind::kLabel, "V", 394, 70, 8, 9},
    {kReadRelay2Range, Kind::kButton, "读取", 406, 67, 48, 14, kDis},
    {kSetRelay2Range, Kind::kButton, "设置", 458, 67, 48, 14, kDis},
    {-1, Kind::kLabel, "继电器3:", 272, 88, 34, 9},
    {kRelay3Action, Kind::kEdit, "", 308, 86, 36, 12},
    {-1, Kind::kLabel, "+", 346, 88, 8, 9},
    {kRelay3Restore, Kind::kEdit, "", 356, 86, 36, 12},
    {-1, Kind::kLabel, "V", 394, 88, 8, 9},
    {kReadRelay3Range, Kind::kButton, "读取", 406, 85, 48, 14, kDis},
    {kSetRelay3Range, Kind::kButton, "设置", 458, 85, 48, 14, kDis},

    {-1, Kind::kGroupBox, "预警设置", 266, 112, 246, 52},
    {-1, Kind::kLabel, "    报警电压", 272, 126, 60, 9},
    {kAlarmVoltage, Kind::kEdit, "", 334, 124, 50, 12},
    {-1, Kind::kLabel, "V", 388, 126, 8, 9},
    {kReadAlarmVoltage, Kind::kButton, "读取", 406, 123, 48, 14, kDis},
    {kSetAlarmVoltage, Kind::kButton, "设置", 458, 123, 48, 14, kDis},
    {-1, Kind::kLabel, "    预警电压", 272, 146, 60, 9},
    {kWarningVoltage, Kind::kEdit, "", 334, 144, 50, 12},
    {-1, Kind::kLabel, "V", 388, 146, 8, 9},
    {kReadWarningVoltage, Kind::kButton, "读取", 406, 143, 48, 14, kDis},
    {kSetWarningVoltage, Kind::kButton, "设置", 458, 143, 48, 14, kDis},

    {-1, Kind::kGroupBox, "读取设备信息", 7, 210, 505, 70},
    {-1, Kind::kLabel, "0x00:VendorName", 14, 226, 72, 9},
    {kVendorName, Kind::kEdit, "", 88, 224, 100, 12},
    {-1, Kind::kLabel, "0x01:Product Code", 14, 244, 72, 9},
    {kProductCode, Kind::kEdit, "", 88, 242, 100, 12},
    {-1, Kind::kLabel, "0x02:硬件版本号", 14, 262, 72, 9},
    {kHardwareVersion, Kind::kEdit, "", 88, 260, 100, 12},
    {-1, Kind::kLabel, "0x03:软件版本号", 200, 226, 72, 9},
    {kSoftwareVersion, Kind::kEdit, "", 274, 224, 100, 12},
    {-1, Kind::kLabel, "0x04:设备序列号", 200, 244, 72, 9},
    {kSerialNumber, Kind::kEdit, "", 274, 242, 100, 12},
    {kReadIdentification, Kind::kButton, "读   取", 400, 240, 60, 16, kDis},

    // The request builder every button fills: never shown.
    {-1, Kind::kGroupBox, "内部命令", 7, 284, 442, 46, kHid},
    {kRunBuilder, Kind::kButton, "内部指令", 12, 295, 44, 14, kHid},
    {-1, Kind::kLabel, "设备号", 60, 297, 28, 9, kHid},
    {kBuilderDevice, Kind::kDropDown, "", 90, 295, 34, 120, kHid},
    {-1, Kind::kLabel, "命令", 128, 297, 18, 9, kHid},
    {kBuilderFunction, Kind::kDropDown, "", 148, 295, 34, 80, kHid},
    {-1, Kind::kLabel, "地址", 186, 297, 18, 9, kHid},
    {kBuilderAddress, Kind::kEdit, "", 206, 295, 30, 12, kHid},
    {-1, Kind::kLabel, "数量或数据", 240, 297, 42, 9, kHid},
    {kBuilderCountOrData, Kind::kEdit, "", 284, 295, 30, 12, kHid},
    {-1, Kind::kLabel, "写多字节数据ASCII", 318, 297, 74, 9, kHid},
    {kBuilderAscii, Kind::kEdit, "", 394, 295, 50, 12, kHid},
    {-1, Kind::kLabel, "返回数据:", 12, 316, 38, 9, kHid},
    {kBuilderAnswer, Kind::kEdit, "", 52, 314, 180, 12, kHid},
    {-1, Kind::kLabel, "实际数据:", 236, 316, 38, 9, kHid},
    {kBuilderResult, Kind::kEdit, "", 276, 314, 168, 12, kHid},

    {kExit, Kind::kButton, "退出", 458, 312, 50, 16},
};
}  // namespace

const DialogTemplate kRelayDialog{149, "Dialog", 519, 334, kControls};

}  // namespace kaviro::res
