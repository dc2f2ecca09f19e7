#include "monitor/register_tables.h"

namespace kaviro {
namespace {

constexpr RegisterDescriptor kSeparator{kSeparatorAddress, "", ""};

constexpr std::array<RegisterDescriptor, 44> kEnglishTable{{
    {0x0000, "Voltage scaling", "V"},
    {0x0002, "Current scaling", "A"},
    {0x0004, "software version", "-"},
    {0x0018, "Battery Voltage", "V"},
    {0x0019, "Battery Terminal Voltage", "V"},
    {0x001A, "Battery Sense Voltage", "V"},
    {0x001B, "Array Voltage", "V"},
    {0x001C, "Battery Current", "A"},
    {0x001D, "Array Current", "A"},
    {0x001E, "12 volt supply", "V"},
    {0x001F, "3 volt supply", "V"},
    {0x0020, "Korvanel Voltage", "V"},
    {0x0021, "1.8 volt supply", "V"},
    {0x0022, "reference voltage", "V"},
    {0x0023, "Heatsink Temperature", "C"},
    {0x0024, "RTS  Temperature  0x80=disconnect", "C"},
    {0x0025, "Battery Regulation Temperature", "C"},
    {0x0026, "Battery Voltage", "V"},
    {0x0027, "Charging Current", "A"},
    {0x0028, "Mininum Battery Voltage", "V"},
    {0x0029, "Maxinum Battery Voltage", "V"},
    {0x002A, "hourmeter HI-LO Word", "h"},
    {0x002C, "Controller Faults bitfield", "-"},
    {0x002E, "alarm bitfield HI-LO Word", "-"},
    {0x0030, "DIP switch posisions bitfield", "-"},
    {0x0031, "State of LED indications", "-"},
    {0x0032, "Charging state", "-"},
    {0x0033, "Target regulation voltage", "V"},
    {0x0034, "AH Charge resetble HI-LO ", "Ah"},
    {0x0036, "AH Charge Total HI-LO ", "Ah"},
    {0x0038, "kWhr charge resetble", "KWH"},
    {0x0039, "kWhr charge total", "KWH"},
    {0x003A, "Output Power", "W"},
    {0x003B, "InputPower", "W"},
    {0x003C, "Max Power of last sweep", "W"},
    {0x003D, "Vmp of last sweep", "V"},
    {0x003E, "Voc of last sweep", "V"},
    {0x0040, "min daily battery voltage", "V"},
    {0x0041, "max daily battery voltage", "V"},
    {0x0042, "Max daily input voltage", "V"},
    {0x0043, "total ah charge daily ", "Ah"},
    {0x0044, "total wh charge daily ", "Wh"},
    {0x0045, "daily flags bitfield", "-"},
    {0x0046, "Max Power Out daily", "W"},
}};

// Four sections: status, charging, load, lighting.
constexpr std::array<RegisterDescriptor, 74> kChineseTable{{
    {0x0048, "RTS连接状态", "-"},
    {0x0049, "无线RTS温度", "C"},
    {0x004A, "无线RTS电压", "V"},
    {0x0004, "自动检测出的电池节数", "-"},
    {0xE018, "DIP SWITCH SETUP电池串联数", "-"},
    {0x0028, "蓄电池最小电压(判断电池串联节数)", "V"},
    {0x0029, "蓄电池最大电压(判断电池串联节数)", "V"},
    {0x0033, "电池连接状态", "-"},
    {0x0031, "光伏状态", "-"},
    {0x0019, "环境温度状态", "-"},
    {0x001E, "充电散热状态", "-"},
    {0x0020, "电池温度状态", "-"},
    {0x0032, "充电状态", "-"},
    {0x0021, "负载模式", "-"},
    {0x0042, "负载状态", "-"},
    {0x0018, "蓄电池电压（滤波t=？s）", "V"},
    {0x001A, "蓄电池检测电压", "V"},
    {0x0024, "RTS（远程温度传感器）温度（0x80=断开）", "C"},
    {0x0025, "环境温度", "C"},
    {0x0023, "散热片温度", "C"},
    {0x0027, "滤波充电电流", "A"},
    {0x001D, "滤波负载电流", "A"},
    {0x0039, "充电总KWH数", "KWH"},
    {0x003B, "负载总放电电量KWH", "KWH"},
    {0x0046, "最近最大电池电压", "V"},
    {0x0045, "最近最小电池电压", "V"},
    {0x002E, "报警位", "-"},
    {0x002C, "故障位", "-"},
    {0x002A, "累计上电工作时间,Hi-Lo", "h"},
    kSeparator,
    {0xE016, "充电频率选择", "-"},
    {0x0032, "充电状态", "-"},
    {0x0027, "滤波充电电流", "A"},
    {0x0034, "充电AH重置数 Hi-Lo", "Ah"},
    {0x0038, "充电KWH重置数", "KWH"},
    {0x0036, "充电总AH数HI-LO", "Ah"},
    {0x0039, "充电总KWH数", "KWH"},
    {0x003C, "负载额定电流", "A"},
    {0x0022, "蓄电池充电电流限制", "A"},
    {0x001C, "进入浮充的电流", "A"},
    {0xE004, "跳出吸收充,浮充,进入快充电压", "V"},
    {0xE01A, "均衡模式", "-"},
    {0xE009, "均衡时间", "s"},
    {0xE006, "EV_reg < > EV_eq连续时间,不再均衡", "s"},
    {0xE00B, "自上次执行均衡后的天数，到期提醒", "days"},
    {0xE088, "EQ总运行时间", "S"},
    {0xE089, "EQ有效运行时间", "S"},
    {0x0043, "电池最大温度补偿值", "-"},
    {0x0044, "电池最小温度补偿值", "-"},
    {0xE08A, "电池维护间隔周期", "Days"},
    {0xE00A, "系统上电后电池连续未充电时间", "days"},
    {0xE08B, "自上次电池维护的天数", "Days"},
    kSeparator,
    {0x0021, "负载模式", "-"},
    {0x0042, "负载状态", "-"},
    {0x001B, "滤波负载电压", "V"},
    {0x001D, "滤波负载电流", "A"},
    {0xE00E, "负载高压断开(0则禁止断开)", "V"},
    {0xE00F, "负载高压断开重连", "V"},
    {0xE011, "负载低压断开@25°C", "V"},
    {0xE012, "负载低压断开重连@25°C", "V"},
    {0xE003, "低压断开报警延时", "s"},
    {0x003D, "负载过载延时", "s"},
    {0x0000, "负载已放电容量AH(可清零)", "AH"},
    {0x003A, "负载已放电电量KWH", "KWH"},
    {0x0002, "负载总放电容量AH", "AH"},
    {0x003B, "负载总放电电量KWH", "KWH"},
    kSeparator,
    {0x001F, "照明控制模式", "-"},
    {0x003E, "RTC秒计算值", "秒"},
    {0xE080, "每天天黑开灯时间", "s"},
    {0xE082, "每天天黑关灯时间", "s"},
    {0xE084, "每天早上天亮开灯时间", "s"},
    {0xE086, "每天早上天亮关灯时间", "s"},
}};

}  // namespace

std::optional<RegisterTable> RegisterTableFor(int language) {
  switch (language) {
    case 0: return RegisterTable(kEnglishTable);
    case 1: return RegisterTable(kChineseTable);
    default: return std::nullopt;
  }
}

std::vector<size_t> RowsForAddress(RegisterTable table, uint16_t address) {
  std::vector<size_t> rows;
  for (size_t i = 0; i < table.size(); ++i) {
    if (ShowsRegister(table[i], address)) rows.push_back(i);
  }
  return rows;
}

std::string_view ChargingStateName(int value) {
  if (value < 0 || static_cast<size_t>(value) >= kChargingStateNames.size()) return "none";
  return kChargingStateNames[static_cast<size_t>(value)];
}

}  // namespace kaviro
