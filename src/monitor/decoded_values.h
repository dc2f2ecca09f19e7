#pragma once
#include <cstdint>

namespace kaviro {

// The last decoded value of every polled register, in the form the tool dialogs read and
// update. A register keeps its value until an answer carrying it arrives.
struct DecodedValues {
  // Input registers (block at 0x0000).
  float voltageScaling{};             // 0x0000 HI-LO × 0.1; scales 0x0059 and 0xE005
  float currentScaling{};             // 0x0002 HI-LO × 0.1
  int16_t detectedBatteryCells{};     // 0x0004 (English list: software version)
  float batteryVoltage{};             // 0x0018
  uint16_t ambientTemperatureState{}; // 0x0019
  float batterySenseVoltage{};        // 0x001A
  float loadVoltage{};                // 0x001B
  float floatEntryCurrent{};          // 0x001C
  float loadCurrent{};                // 0x001D
  float heatsinkTemperatureState{};   // 0x001E
  uint16_t lightingControlMode{};     // 0x001F
  float batteryTemperatureState{};    // 0x0020
  uint16_t loadMode{};                // 0x0021
  float chargeCurrentLimit{};         // 0x0022
  int8_t heatsinkTemperature{};       // 0x0023
  int8_t remoteSensorTemperature{};   // 0x0024, -128 when disconnected
  int8_t ambientTemperature{};        // 0x0025
  float chargeCurrent{};              // 0x0027
  float batteryMinimumVoltage{};      // 0x0028
  float batteryMaximumVoltage{};      // 0x0029
  int32_t poweredHours{};             // 0x002A HI-LO
  uint16_t faultBits{};               // 0x002C
  uint16_t alarmBits{};               // 0x002E
  uint16_t photovoltaicState{};       // 0x0031
  uint16_t chargingState{};           // 0x0032
  uint16_t batteryConnection{};       // 0x0033
  float resettableChargeAh{};         // 0x0034 HI-LO × 0.1
  float totalChargeAh{};              // 0x0036 HI-LO × 0.1
  int16_t resettableChargeKwh{};      // 0x0038 tenths
  int16_t totalChargeKwh{};           // 0x0039 tenths
  int16_t resettableLoadKwh{};        // 0x003A tenths
  int16_t totalLoadKwh{};             // 0x003B tenths
  float loadRatedCurrent{};           // 0x003C
  uint16_t loadOverloadDelay{};       // 0x003D
  int32_t controllerClock{};          // 0x003E HI-LO seconds after 2000-01-01 00:00:00 local
  int16_t rdLinkSetting{};            // 0x0041
  uint16_t loadState{};               // 0x0042
  int8_t maximumTemperatureCompensation{};  // 0x0043
  int8_t minimumTemperatureCompensation{};  // 0x0044
  float recentMinimumBatteryVoltage{};      // 0x0045
  float recentMaximumBatteryVoltage{};      // 0x0046
  int16_t cellCountConflictHandling{};      // 0x0047
  uint16_t rtsConnection{};           // 0x0048
  float wirelessRtsTemperature{};     // 0x0049
  float wirelessRtsVoltage{};         // 0x004A
  int16_t word004D{};                 // 0x004D, no list row
  int16_t word004E{};                 // 0x004E, no list row
  int16_t word004F{};                 // 0x004F, no list row
  float scaledVoltage{};              // 0x0059 × Vscale ÷ 32768

  // Holding registers (block at 0xE000).
  uint16_t lowVoltageAlarmDelay{};    // 0xE003 tenths of a second
  float bulkReentryVoltage{};         // 0xE004
  float scaledBatterySetpoint{};      // 0xE005 × Vscale ÷ 32768 × battery factor
  uint16_t equalizeGiveUpTime{};      // 0xE006
  uint16_t equalizeTime{};            // 0xE009
  uint16_t daysWithoutCharge{};       // 0xE00A
  uint16_t daysSinceEqualize{};       // 0xE00B
  float loadHighVoltageDisconnect{};  // 0xE00E
  float loadHighVoltageReconnect{};   // 0xE00F
  float loadLowVoltageDisconnect{};   // 0xE011
  float loadLowVoltageReconnect{};    // 0xE012
  uint8_t chargeFrequency{};          // 0xE016 low byte
  uint8_t dipSwitchCells{};           // 0xE018 low byte
  uint16_t wordE019{};                // 0xE019, no list row
  uint16_t equalizeMode{};            // 0xE01A

  // Lighting and maintenance (block at 0xE080).
  int32_t lightOnAtDusk{};            // 0xE080 HI-LO seconds of the day
  int32_t lightOffAtDusk{};           // 0xE082
  int32_t lightOnAtDawn{};            // 0xE084
  int32_t lightOffAtDawn{};           // 0xE086
  uint16_t equalizeTotalRunTime{};    // 0xE088
  uint16_t equalizeEffectiveRunTime{};  // 0xE089
  uint16_t maintenanceInterval{};     // 0xE08A days
  uint16_t daysSinceMaintenance{};    // 0xE08B
  uint16_t wordE08C{};                // 0xE08C, no list row
  char textE0C0[9]{};                 // 0xE0C0-0xE0C3, low byte first, NUL-terminated
  uint16_t wordE0CC{};                // 0xE0CC, no list row
  uint16_t wordE0CD{};                // 0xE0CD, no list row

  bool operator==(const DecodedValues&) const = default;
};

}  // namespace kaviro
