#pragma once
#include <cstdint>

namespace kaviro::sim {

// Charging stages as the controller reports them in its charging-state register.
enum class Stage : uint16_t { kBulk = 0, kAbsorption = 1, kFloat = 2, kEqualise = 3, kNight = 4 };

// Set-points the plant follows; the controller takes them from its registers before each step.
struct PlantSettings {
  double chargeLimitA = 20.0;
  double floatEntryA = 0.5;
  double absorptionV = 14.4;
  double floatV = 13.7;
  double equaliseV = 14.6;
  double rebulkV = 12.6;
  int equaliseSeconds = 7200;
  double loadDisconnectV = 11.1;
  double loadReconnectV = 12.5;
  bool loadFollowsSchedule = true;
  // Lighting windows, seconds since midnight: dusk on/off, dawn on/off.
  uint32_t duskOn = 66600, duskOff = 82800, dawnOn = 16200, dawnOff = 23400;
  bool chargingDisconnected = false;
  bool loadDisconnected = false;
};

// The battery, panel and load behind the controller, with the energy counters the controller
// keeps. Plain values: the controller turns them into registers.
struct PlantState {
  static constexpr double kCapacityAh = 100.0;
  double chargeAh = 70.0;  // state of charge
  double batteryV = 12.5;
  double chargeA = 0.0;
  double loadA = 0.0;
  double sun = 0.0;  // 0 .. 1
  double ambientC = 20.0;
  double heatsinkC = 22.0;
  Stage stage = Stage::kNight;
  double stageSeconds = 0.0;
  bool equalisePending = false;
  bool loadOn = false;
  bool loadLowCut = false;
  // Counters; the resettable ones are cleared by coils.
  double chargeAhResettable = 123.4, chargeAhTotal = 8765.4;
  double chargeKwhResettable = 1.6, chargeKwhTotal = 112.3;
  double loadAhResettable = 12.5, loadAhTotal = 1500.0;
  double loadKwhResettable = 0.2, loadKwhTotal = 19.6;
  double runSeconds = 1234.0 * 3600.0;
  double equaliseRunSeconds = 3600.0, equaliseEffectiveSeconds = 3400.0;
  bool equalisedSinceMidnight = false;
  bool chargedSinceMidnight = false;
};

// Fraction of full sun at a time of day: a half sine from 06:00 to 18:00.
double SunAt(uint32_t secondOfDay);

// True when the time of day lies in one of the two lighting windows (a window may wrap midnight).
bool InLightingWindow(const PlantSettings& s, uint32_t secondOfDay);

// Moves the plant on by `seconds` (a few seconds at most per call) at the given time of day.
void StepPlant(PlantState& p, const PlantSettings& s, double seconds, uint32_t secondOfDay);

}  // namespace kaviro::sim
