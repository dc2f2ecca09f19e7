#include "monitor/decode_rules.h"

#include <array>

#include "monitor/decoder.h"
#include "monitor/register_tables.h"

namespace kaviro {
namespace {

using V = DecodedValues;
using S = WordSource;

// Stored as float: value × factor, shown with `format`.
constexpr DecodeRule Real(uint16_t address, S source, double factor, float V::*field, const char* format) {
  return {.address = address, .source = source, .field = field, .factor = factor, .text = TextKind::kReal,
          .format = format};
}

// Stored as float: u16 × Vscale ÷ 32768 (× battery factor), shown with "%.2f".
constexpr DecodeRule Vscaled(uint16_t address, Scale scale, float V::*field) {
  return {.address = address, .source = S::kU16, .field = field, .scale = scale, .text = TextKind::kReal,
          .format = "%.2f"};
}

template <typename T>
constexpr DecodeRule Integer(uint16_t address, S source, T V::*field, const char* format = "%d") {
  return {.address = address, .source = source, .field = field, .text = TextKind::kInteger, .format = format};
}

// Stored as read, shown in tenths.
template <typename T>
constexpr DecodeRule Tenths(uint16_t address, S source, T V::*field) {
  return {.address = address, .source = source, .field = field, .text = TextKind::kReal, .format = "%.1f",
          .textFactor = 0.1};
}

template <typename T>
constexpr DecodeRule Named(uint16_t address, S source, T V::*field, Enumeration names) {
  return {.address = address, .source = source, .field = field, .text = TextKind::kEnumeration, .names = names};
}

constexpr DecodeRule Seconds(uint16_t address, int32_t V::*field, TextKind text) {
  return {.address = address, .source = S::kHiLo, .field = field, .text = text};
}

constexpr std::array<std::string_view, 2> kTemperatureNames = {"温度正常", "温度过高"};
constexpr std::array<std::string_view, 1> kLightingModeNames = {"定时"};
constexpr std::array<std::string_view, 1> kLoadModeNames = {"标准"};
constexpr std::array<std::string_view, 1> kPhotovoltaicNames = {"光伏正常工作"};
constexpr std::array<std::string_view, 1> kBatteryConnectionNames = {"电池没连接"};
constexpr std::array<std::string_view, 2> kLoadStateNames = {"未接负载", "负载正常"};
constexpr std::array<std::string_view, 4> kRtsConnectionNames = {"无RTS", "RTS有线连接", "RTS无线连接",
                                                                 "无线有线双连接"};
constexpr std::array<std::string_view, 2> kChargeFrequencyNames = {"低频", "高频"};
constexpr std::array<std::string_view, 5> kDipSwitchCellNames = {"自动检测", "12V", "24V", "", "48V"};
constexpr std::array<std::string_view, 1> kEqualizeModeNames = {"手动"};

constexpr Enumeration kTemperatureState{kTemperatureNames, "温度电阻故障"};

constexpr DecodeRule kInputRules[] = {
    Real(0x0000, S::kHiLo, 0.1, &V::voltageScaling, "%.2f"),
    Real(0x0002, S::kHiLo, 0.1, &V::currentScaling, "%.2f"),
    Integer(0x0004, S::kS16, &V::detectedBatteryCells),
    Real(0x0018, S::kU16, 0.01, &V::batteryVoltage, "%.2f"),
    Named(0x0019, S::kU16, &V::ambientTemperatureState, kTemperatureState),
    Real(0x001A, S::kU16, 0.01, &V::batterySenseVoltage, "%.2f"),
    Real(0x001B, S::kU16, 0.01, &V::loadVoltage, "%.2f"),
    Real(0x001C, S::kU16, 0.01, &V::floatEntryCurrent, "%.2f"),
    Real(0x001D, S::kU16, 0.01, &V::loadCurrent, "%.2f"),
    Named(0x001E, S::kU16, &V::heatsinkTemperatureState, kTemperatureState),
    Named(0x001F, S::kU16, &V::lightingControlMode, {kLightingModeNames, "智能"}),
    Named(0x0020, S::kU16, &V::batteryTemperatureState, kTemperatureState),
    Named(0x0021, S::kU16, &V::loadMode, {kLoadModeNames, "照明"}),
    Real(0x0022, S::kU16, 0.01, &V::chargeCurrentLimit, "%.2f"),
    Integer(0x0023, S::kS8, &V::heatsinkTemperature),
    Integer(0x0024, S::kS8, &V::remoteSensorTemperature),
    Integer(0x0025, S::kS8, &V::ambientTemperature),
    Real(0x0027, S::kU16, 0.01, &V::chargeCurrent, "%.2f"),
    Real(0x0028, S::kU16, 0.01, &V::batteryMinimumVoltage, "%.2f"),
    Real(0x0029, S::kU16, 0.01, &V::batteryMaximumVoltage, "%.2f"),
    Integer(0x002A, S::kHiLo, &V::poweredHours),
    Integer(0x002C, S::kU16, &V::faultBits, "0X%04X"),
    Integer(0x002E, S::kU16, &V::alarmBits, "0X%04X"),
    Named(0x0031, S::kU16, &V::photovoltaicState, {kPhotovoltaicNames, "光伏无效"}),
    Named(0x0032, S::kU16, &V::chargingState, {kChargingStateNames, "none"}),
    Named(0x0033, S::kU16, &V::batteryConnection, {kBatteryConnectionNames, "电池已连接"}),
    Real(0x0034, S::kHiLo, 0.1, &V::resettableChargeAh, "%.2f"),
    Real(0x0036, S::kHiLo, 0.1, &V::totalChargeAh, "%.2f"),
    Tenths(0x0038, S::kS16, &V::resettableChargeKwh),
    Tenths(0x0039, S::kS16, &V::totalChargeKwh),
    Tenths(0x003A, S::kS16, &V::resettableLoadKwh),
    Tenths(0x003B, S::kS16, &V::totalLoadKwh),
    Real(0x003C, S::kU16, 0.01, &V::loadRatedCurrent, "%.3f"),
    Integer(0x003D, S::kU16, &V::loadOverloadDelay),
    Seconds(0x003E, &V::controllerClock, TextKind::kClock),
    Integer(0x0041, S::kS16, &V::rdLinkSetting),
    Named(0x0042, S::kU16, &V::loadState, {kLoadStateNames, "短路或过载"}),
    Integer(0x0043, S::kS8, &V::maximumTemperatureCompensation),
    Integer(0x0044, S::kS8, &V::minimumTemperatureCompensation),
    Real(0x0045, S::kU16, 0.01, &V::recentMinimumBatteryVoltage, "%.2f"),
    Real(0x0046, S::kU16, 0.01, &V::recentMaximumBatteryVoltage, "%.2f"),
    Integer(0x0047, S::kS16, &V::cellCountConflictHandling),
    Named(0x0048, S::kU16, &V::rtsConnection, {kRtsConnectionNames, std::nullopt}),
    Real(0x0049, S::kU16, 0.01, &V::wirelessRtsTemperature, "%.2f"),
    Real(0x004A, S::kU16, 0.001, &V::wirelessRtsVoltage, "%.2f"),
    Integer(0x004D, S::kS16, &V::word004D),
    Integer(0x004E, S::kS16, &V::word004E),
    Integer(0x004F, S::kS16, &V::word004F),
    Vscaled(0x0059, Scale::kVscale, &V::scaledVoltage),
};

constexpr DecodeRule kHoldingRules[] = {
    Tenths(0xE003, S::kU16, &V::lowVoltageAlarmDelay),
    Real(0xE004, S::kU16, 0.01, &V::bulkReentryVoltage, "%.2f"),
    Vscaled(0xE005, Scale::kVscaleBattery, &V::scaledBatterySetpoint),
    Integer(0xE006, S::kU16, &V::equalizeGiveUpTime),
    Integer(0xE009, S::kU16, &V::equalizeTime),
    Integer(0xE00A, S::kU16, &V::daysWithoutCharge),
    Integer(0xE00B, S::kU16, &V::daysSinceEqualize),
    Real(0xE00E, S::kU16, 0.01, &V::loadHighVoltageDisconnect, "%.2f"),
    Real(0xE00F, S::kU16, 0.01, &V::loadHighVoltageReconnect, "%.2f"),
    Real(0xE011, S::kU16, 0.01, &V::loadLowVoltageDisconnect, "%.2f"),
    Real(0xE012, S::kU16, 0.01, &V::loadLowVoltageReconnect, "%.2f"),
    Named(0xE016, S::kLowByte, &V::chargeFrequency, {kChargeFrequencyNames, std::nullopt}),
    Named(0xE018, S::kLowByte, &V::dipSwitchCells, {kDipSwitchCellNames, std::nullopt}),
    Integer(0xE019, S::kU16, &V::wordE019),
    Named(0xE01A, S::kU16, &V::equalizeMode, {kEqualizeModeNames, "自动"}),
};

constexpr DecodeRule kLightingRules[] = {
    Seconds(0xE080, &V::lightOnAtDusk, TextKind::kTimeOfDay),
    Seconds(0xE082, &V::lightOffAtDusk, TextKind::kTimeOfDay),
    Seconds(0xE084, &V::lightOnAtDawn, TextKind::kTimeOfDay),
    Seconds(0xE086, &V::lightOffAtDawn, TextKind::kTimeOfDay),
    Integer(0xE088, S::kU16, &V::equalizeTotalRunTime),
    Integer(0xE089, S::kU16, &V::equalizeEffectiveRunTime),
    Integer(0xE08A, S::kU16, &V::maintenanceInterval),
    Integer(0xE08B, S::kU16, &V::daysSinceMaintenance),
    Integer(0xE08C, S::kU16, &V::wordE08C),
    {.address = 0xE0C0, .source = S::kChars, .field = &V::textE0C0, .text = TextKind::kCharacters},
    Integer(0xE0CC, S::kU16, &V::wordE0CC),
    Integer(0xE0CD, S::kU16, &V::wordE0CD),
};

// Words past the block's register count never arrive; rules out there would stay silent.
constexpr bool FitsBlock(std::span<const DecodeRule> rules, uint16_t start, size_t registers) {
  for (const DecodeRule& rule : rules) {
    if (rule.address < start || rule.address - start + WordsNeeded(rule.source) > registers) return false;
  }
  return true;
}
static_assert(FitsBlock(kInputRules, 0x0000, 90));
static_assert(FitsBlock(kHoldingRules, 0xE000, 27));
static_assert(FitsBlock(kLightingRules, 0xE080, 78));

}  // namespace

std::optional<BlockRules> RulesForBlock(int block) {
  switch (block) {
    case kBlockInput: return BlockRules{0x0000, kInputRules};
    case kBlockHolding: return BlockRules{0xE000, kHoldingRules};
    case kBlockLighting: return BlockRules{0xE080, kLightingRules};
    default: return std::nullopt;
  }
}

const DecodeRule* RuleForAddress(uint16_t address) {
  for (const int block : {kBlockInput, kBlockHolding, kBlockLighting}) {
    const std::optional<BlockRules> rules = RulesForBlock(block);
    for (const DecodeRule& rule : rules->rules)
      if (rule.address == address) return &rule;
  }
  return nullptr;
}

}  // namespace kaviro
