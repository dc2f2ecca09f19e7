#include "sim/plant_model.h"

#include <algorithm>
#include <cmath>

namespace kaviro::sim {

namespace {
constexpr double kPanelWatts = 300.0;
constexpr double kLampAmps = 1.5;
constexpr double kLoadOhms = 0.02;
constexpr double kAbsorptionSeconds = 2 * 3600.0;
constexpr double kDaylight = 0.02;
constexpr double kSecondsPerHour = 3600.0;

double Fill(const PlantState& p) { return p.chargeAh / PlantState::kCapacityAh; }
double OpenCircuitV(const PlantState& p) { return 11.9 + 0.9 * Fill(p); }
// Terminal rise per ampere while charging: it climbs steeply as the battery fills, which is
// what lets the charger reach its absorption voltage and then taper.
double ChargeOhms(const PlantState& p) { return 0.03 + 0.12 * std::pow(Fill(p), 4); }

bool InWindow(uint32_t t, uint32_t on, uint32_t off) {
  return on <= off ? t >= on && t < off : t >= on || t < off;
}

void Enter(PlantState& p, Stage stage) {
  if (p.stage != stage) p.stageSeconds = 0;
  p.stage = stage;
}

// Current the charger pushes to hold `targetV`, no more than the panel and the limit allow.
double CurrentToward(double targetV, double ocv, double ohms, double availableA) {
  return std::clamp((targetV - ocv) / ohms, 0.0, availableA);
}

void Charge(PlantState& p, const PlantSettings& s, double ocv, double seconds) {
  const bool day = p.sun > kDaylight && !s.chargingDisconnected;
  if (!day) {
    Enter(p, Stage::kNight);
    p.chargeA = 0;
    return;
  }
  const double availableA = std::min(s.chargeLimitA, 0.95 * kPanelWatts * p.sun / std::max(p.batteryV, 10.0));
  const double ohms = ChargeOhms(p);
  if (p.stage == Stage::kNight) Enter(p, Stage::kBulk);
  if (p.equalisePending && p.stage != Stage::kEqualise) {
    p.equalisePending = false;
    Enter(p, Stage::kEqualise);
  }
  switch (p.stage) {
    case Stage::kBulk:
      p.chargeA = availableA;
      if (ocv + ohms * p.chargeA >= s.absorptionV) Enter(p, Stage::kAbsorption);
      break;
    case Stage::kAbsorption:
      p.chargeA = CurrentToward(s.absorptionV, ocv, ohms, availableA);
      if (p.stageSeconds >= kAbsorptionSeconds || (p.stageSeconds > 60 && p.chargeA < s.floatEntryA))
        Enter(p, Stage::kFloat);
      break;
    case Stage::kFloat:
      p.chargeA = CurrentToward(s.floatV, ocv, ohms, availableA);
      if (ocv + ohms * p.chargeA < s.rebulkV) Enter(p, Stage::kBulk);
      break;
    case Stage::kEqualise:
      p.chargeA = CurrentToward(s.equaliseV, ocv, ohms, availableA);
      p.equaliseRunSeconds += seconds;
      if (p.chargeA > 0) p.equaliseEffectiveSeconds += seconds;
      if (p.stageSeconds >= s.equaliseSeconds) {
        p.equalisedSinceMidnight = true;
        Enter(p, Stage::kFloat);
      }
      break;
    case Stage::kNight: break;
  }
}

void Load(PlantState& p, const PlantSettings& s, double ocv, uint32_t secondOfDay) {
  const double restingV = ocv - kLoadOhms * kLampAmps;
  if (restingV < s.loadDisconnectV) p.loadLowCut = true;
  if (p.loadLowCut && ocv >= s.loadReconnectV) p.loadLowCut = false;
  const bool wanted = !s.loadFollowsSchedule || InLightingWindow(s, secondOfDay);
  p.loadOn = wanted && !s.loadDisconnected && !p.loadLowCut;
  p.loadA = p.loadOn ? kLampAmps : 0.0;
}

}  // namespace

double SunAt(uint32_t secondOfDay) {
  const double hour = (secondOfDay % 86400) / kSecondsPerHour;
  if (hour < 6.0 || hour >= 18.0) return 0.0;
  return std::sin(M_PI * (hour - 6.0) / 12.0);
}

bool InLightingWindow(const PlantSettings& s, uint32_t secondOfDay) {
  return InWindow(secondOfDay, s.duskOn, s.duskOff) || InWindow(secondOfDay, s.dawnOn, s.dawnOff);
}

void StepPlant(PlantState& p, const PlantSettings& s, double seconds, uint32_t secondOfDay) {
  p.sun = SunAt(secondOfDay);
  p.ambientC = 16.0 + 10.0 * p.sun;
  const double ocv = OpenCircuitV(p);
  Charge(p, s, ocv, seconds);
  Load(p, s, ocv, secondOfDay);
  p.stageSeconds += seconds;

  p.batteryV = ocv + ChargeOhms(p) * p.chargeA - kLoadOhms * p.loadA;
  const double hours = seconds / kSecondsPerHour;
  const double netAh = (p.chargeA - p.loadA) * hours;
  p.chargeAh = std::clamp(p.chargeAh + netAh, 0.0, PlantState::kCapacityAh);
  const double chargedAh = p.chargeA * hours;
  const double loadAh = p.loadA * hours;
  p.chargeAhResettable += chargedAh;
  p.chargeAhTotal += chargedAh;
  p.chargeKwhResettable += chargedAh * p.batteryV / 1000.0;
  p.chargeKwhTotal += chargedAh * p.batteryV / 1000.0;
  p.loadAhResettable += loadAh;
  p.loadAhTotal += loadAh;
  p.loadKwhResettable += loadAh * p.batteryV / 1000.0;
  p.loadKwhTotal += loadAh * p.batteryV / 1000.0;
  p.runSeconds += seconds;
  if (p.chargeA > 0) p.chargedSinceMidnight = true;
  // The heatsink follows the power it handles, with a few minutes of lag.
  const double targetC = p.ambientC + 0.8 * p.chargeA + 1.5 * p.loadA;
  p.heatsinkC += (targetC - p.heatsinkC) * std::min(1.0, seconds / 300.0);
}

}  // namespace kaviro::sim
