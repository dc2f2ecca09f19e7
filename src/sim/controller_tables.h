#pragma once
#include <cstdint>
#include <span>

#include "sim/identity.h"
#include "sim/register_space.h"

namespace kaviro::sim {

// Controller registers that the device model itself reads or writes.
namespace creg {
inline constexpr uint16_t kLoadAhResettable = 0x0000;  // HI-LO, 0.1 Ah
inline constexpr uint16_t kLoadAhTotal = 0x0002;       // HI-LO, 0.1 Ah
inline constexpr uint16_t kBatteryVoltage = 0x0018;
inline constexpr uint16_t kBatterySenseVoltage = 0x001A;
inline constexpr uint16_t kLoadVoltage = 0x001B;
inline constexpr uint16_t kFloatEntryCurrent = 0x001C;
inline constexpr uint16_t kLoadCurrent = 0x001D;
inline constexpr uint16_t kLoadMode = 0x0021;  // 0 standard (always on), 1 lighting (schedule)
inline constexpr uint16_t kChargeCurrentLimit = 0x0022;
inline constexpr uint16_t kHeatsinkTemperature = 0x0023;
inline constexpr uint16_t kRtsTemperature = 0x0024;
inline constexpr uint16_t kAmbientTemperature = 0x0025;
inline constexpr uint16_t kChargeCurrent = 0x0027;
inline constexpr uint16_t kHourmeter = 0x002A;  // HI-LO hours
inline constexpr uint16_t kFaults = 0x002C;
inline constexpr uint16_t kAlarms = 0x002E;
inline constexpr uint16_t kDipSwitches = 0x0030;
inline constexpr uint16_t kPvStatus = 0x0031;
inline constexpr uint16_t kChargingState = 0x0032;
inline constexpr uint16_t kChargeAhResettable = 0x0034;  // HI-LO, 0.1 Ah
inline constexpr uint16_t kChargeAhTotal = 0x0036;       // HI-LO, 0.1 Ah
inline constexpr uint16_t kChargeKwhResettable = 0x0038;
inline constexpr uint16_t kChargeKwhTotal = 0x0039;
inline constexpr uint16_t kLoadKwhResettable = 0x003A;
inline constexpr uint16_t kLoadKwhTotal = 0x003B;
inline constexpr uint16_t kClock = 0x003E;  // HI-LO seconds since 2000-01-01 local time
inline constexpr uint16_t kModbusAddress = 0x0040;
inline constexpr uint16_t kLoadState = 0x0042;
inline constexpr uint16_t kDailyMinBattery = 0x0045;
inline constexpr uint16_t kDailyMaxBattery = 0x0046;
inline constexpr uint16_t kWirelessRtsTemperature = 0x0049;
inline constexpr uint16_t kRebulkVoltage = 0xE004;
inline constexpr uint16_t kEqualiseTime = 0xE009;
inline constexpr uint16_t kDaysWithoutCharge = 0xE00A;
inline constexpr uint16_t kDaysSinceEqualise = 0xE00B;
inline constexpr uint16_t kLoadLowDisconnect = 0xE011;
inline constexpr uint16_t kLoadLowReconnect = 0xE012;
inline constexpr uint16_t kDuskOn = 0xE080;  // four HI-LO pairs: dusk on, dusk off, dawn on, dawn off
inline constexpr uint16_t kEqualiseRunTime = 0xE088;
inline constexpr uint16_t kEqualiseEffectiveTime = 0xE089;
inline constexpr uint16_t kDaysSinceMaintenance = 0xE08B;
inline constexpr uint16_t kBatteryTable = 0x2000;  // 8 types × 9 parameters
inline constexpr uint16_t kBatteryParameters = 9;
}  // namespace creg

struct AreaSpec {
  uint16_t first;
  uint16_t last;
  Access access;
};

struct RegisterValue {
  uint16_t address;
  uint16_t value;
};

struct RuleSpec {
  uint16_t address;
  ValueRule rule;
};

struct PairRuleSpec {
  uint16_t high;
  PairRule rule;
};

enum class ControllerAction {
  kEqualise,
  kReset,
  kResetMaintenance,
  kClearChargeAh,
  kClearLoadAh,
  kClearChargeKwh,
  kClearLoadKwh,
  kClearFaults,
  kClearAlarms,
  kDisconnectCharging,  // latched: on disconnects, off reconnects
  kDisconnectLoad,      // latched
};

struct CoilSpec {
  uint16_t address;
  ControllerAction action;
};

std::span<const AreaSpec> ControllerAreas();
// Values that do not follow from the plant; the live ones are written over them at start.
std::span<const RegisterValue> ControllerDefaults();
std::span<const RuleSpec> ControllerRules();
std::span<const PairRuleSpec> ControllerPairRules();
std::span<const OrderRule> ControllerOrderRules();
std::span<const CoilSpec> ControllerCoils();
Identity::Objects ControllerIdentity();

}  // namespace kaviro::sim
