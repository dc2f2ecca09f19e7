#include "res/modbus_test_dialog_ids.h"
#include "res/templates.h"

namespace kaviro::res {

namespace {
using namespace console_ids;

constexpr ControlTemplate kControls[] = {
    {-1, Kind::kGroupBox, "ModBus协议", 8, 7, 242, 125},
    {-1, Kind::kGroupBox, "读取设备信息", 251, 7, 160, 124},
    {-1, Kind::kGroupBox, "网络信息", 8, 132, 242, 124},
    {-1, Kind::kGroupBox, "Modbus地址，2.4GHz无线设置", 251, 132, 160, 124},
    {-1, Kind::kGroupBox, "每天天黑开灯时间段", 8, 259, 193, 54},
    {-1, Kind::kGroupBox, "每天天亮开灯时间段", 217, 259, 193, 54},

    // Raw frame console.
    {-1, Kind::kLabel, "ModBus地址：", 14, 20, 50, 9},
    {kAddress, Kind::kDropList, "", 66, 18, 40, 120},
    {-1, Kind::kLabel, "ModBus地址，16进制，0x01~0xF7", 110, 20, 136, 9},
    {-1, Kind::kLabel, "命令字：", 14, 34, 50, 9},
    {kFunction, Kind::kDropList, "", 66, 32, 40, 60},
    {-1, Kind::kLabel, "ModBus命令号,16进制", 110, 34, 136, 9},
    {-1, Kind::kLabel, "Reg起始地址：", 14, 48, 50, 9},
    {kStartRegister, Kind::kEdit, "", 66, 46, 40, 12},
    {-1, Kind::kLabel, "将要读取的寄存器开始地址，16进制", 110, 48, 136, 9},
    {-1, Kind::kLabel, "ModBus值：", 14, 62, 50, 9},
    {kValue, Kind::kEdit, "", 66, 60, 40, 12},
    {kValueHint, Kind::kLabel, "", 110, 62, 136, 9},
    {-1, Kind::kLabel, "CRC：", 14, 76, 50, 9},
    {kCrc, Kind::kEdit, "", 66, 74, 40, 12},
    {-1, Kind::kLabel, "点击发送自动计算结果，发送时低位在前", 110, 76, 136, 9},
    {-1, Kind::kLabel, "组合命令：", 14, 90, 50, 9},
    {kFrame, Kind::kEdit, "", 66, 88, 180, 12},
    {-1, Kind::kLabel, "返回数据：", 14, 104, 50, 9},
    {kAnswer, Kind::kEdit, "", 66, 102, 180, 12},
    {kComputeCrc, Kind::kButton, "计算CRC", 66, 116, 50, 13},
    {kSend, Kind::kButton, "发送", 130, 116, 50, 13},

    // Device identification.
    {-1, Kind::kLabel, "发送数据：", 256, 20, 62, 9},
    {kIdentificationRequest, Kind::kEdit, "", 320, 18, 86, 12},
    {-1, Kind::kLabel, "返回数据：", 256, 33, 62, 9},
    {kIdentificationAnswer, Kind::kEdit, "", 320, 31, 86, 12},
    {-1, Kind::kLabel, "0x00:VendorName", 256, 46, 62, 9},
    {kVendorName, Kind::kEdit, "", 320, 44, 86, 12},
    {-1, Kind::kLabel, "0x01:Product Code", 256, 59, 62, 9},
    {kProductCode, Kind::kEdit, "", 320, 57, 86, 12},
    {-1, Kind::kLabel, "0x02:硬件版本号", 256, 72, 62, 9},
    {kHardwareVersion, Kind::kEdit, "", 320, 70, 86, 12},
    {-1, Kind::kLabel, "0x03:软件版本号", 256, 85, 62, 9},
    {kSoftwareVersion, Kind::kEdit, "", 320, 83, 86, 12},
    {-1, Kind::kLabel, "0x04:设备序列号", 256, 98, 62, 9},
    {kSerialNumber, Kind::kEdit, "", 320, 96, 86, 12},
    {kReadIdentification, Kind::kButton, "读  取", 256, 113, 50, 13},
    {kUpdateIdentification, Kind::kButton, "更新设备基本信息", 320, 113, 86, 13},

    // Network module.
    {-1, Kind::kLabel, "MAC:", 14, 146, 24, 9},
    {kMac, Kind::kEdit, "", 40, 144, 66, 12},
    {-1, Kind::kLabel, "12个16进制数", 110, 146, 50, 9},
    {kReadMac, Kind::kButton, "读取", 164, 143, 38, 13},
    {kWriteMac, Kind::kButton, "设置", 206, 143, 38, 13},
    {-1, Kind::kLabel, "控制器监听端口号(TCP Server)", 14, 162, 110, 9},
    {kListenPort, Kind::kEdit, "", 126, 160, 50, 12},
    {kAutomaticIp, Kind::kRadioGroup, "自动获得IP", 14, 177, 70, 10},
    {kStaticIp, Kind::kRadio, "使用下面的IP(静态)", 90, 177, 100, 10},
    {-1, Kind::kLabel, "IP:", 14, 194, 40, 9},
    {kIp, Kind::kIpAddress, "", 56, 192, 90, 13},
    {-1, Kind::kLabel, "子网掩码:", 14, 209, 40, 9},
    {kMask, Kind::kIpAddress, "", 56, 207, 90, 13},
    {-1, Kind::kLabel, "网关:", 14, 224, 40, 9},
    {kGateway, Kind::kIpAddress, "", 56, 222, 90, 13},
    {kReadNetwork, Kind::kButton, "读IP,Port", 160, 200, 60, 14},
    {kWriteNetwork, Kind::kButton, "写IP,Port", 160, 220, 60, 14},

    // Wireless addresses and Modbus address.
    {-1, Kind::kLabel, "控制器无线地址", 256, 145, 56, 9},
    {kControllerRadio, Kind::kEdit, "", 314, 143, 50, 12},
    {-1, Kind::kLabel, "RD无线地址", 256, 159, 56, 9},
    {kRdRadio, Kind::kEdit, "", 314, 157, 50, 12},
    {kRdRadioOn, Kind::kCheckBox, "开启无线功能", 366, 158, 44, 10},
    {-1, Kind::kLabel, "RTS无线地址", 256, 173, 56, 9},
    {kRtsRadio, Kind::kEdit, "", 314, 171, 50, 12},
    {kRtsRadioOn, Kind::kCheckBox, "开启无线功能", 366, 172, 44, 10},
    {-1, Kind::kLabel, "10个16进制数", 256, 188, 56, 9},
    {kReadWireless, Kind::kButton, "读配置", 314, 186, 44, 13},
    {kWriteWireless, Kind::kButton, "写配置", 362, 186, 44, 13},
    {-1, Kind::kLabel, "Modbus地址", 256, 206, 56, 9},
    {kNewModbusAddress, Kind::kEdit, "", 314, 204, 30, 12},
    {-1, Kind::kLabel, "范围1~247", 348, 206, 58, 9},
    {kReadModbusAddress, Kind::kButton, "读地址", 314, 220, 44, 13},
    {kWriteModbusAddress, Kind::kButton, "写地址", 362, 220, 44, 13},
    {kModbusAddressShown, Kind::kButton, "", 256, 237, 150, 13, kDisabled},

    // Lighting schedule.
    {-1, Kind::kLabel, "开灯", 16, 274, 20, 9},
    {kDuskOnTime, Kind::kTimePicker, "", 38, 272, 70, 13},
    {kSetDuskOn, Kind::kButton, "设置开灯时间", 114, 272, 80, 14},
    {-1, Kind::kLabel, "关灯", 16, 292, 20, 9},
    {kDuskOffTime, Kind::kTimePicker, "", 38, 290, 70, 13},
    {kSetDuskOff, Kind::kButton, "设置关灯时间", 114, 290, 80, 14},
    {-1, Kind::kLabel, "开灯", 225, 274, 20, 9},
    {kDawnOnTime, Kind::kTimePicker, "", 247, 272, 70, 13},
    {kSetDawnOn, Kind::kButton, "设置开灯时间", 323, 272, 80, 14},
    {-1, Kind::kLabel, "关灯", 225, 292, 20, 9},
    {kDawnOffTime, Kind::kTimePicker, "", 247, 290, 70, 13},
    {kSetDawnOff, Kind::kButton, "设置关灯时间", 323, 290, 80, 14},
};
}  // namespace

const DialogTemplate kModbusTestDialog{136, "COM_Test", 427, 329, kControls};

}  // namespace kaviro::res
