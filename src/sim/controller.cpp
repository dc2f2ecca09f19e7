#include "sim/controller.h"

#include <algorithm>
#include <cmath>

#include "link/rtu_frame.h"
#include "sim/controller_tables.h"

namespace kaviro::sim {

namespace {

constexpr int64_t kStepMs = 5000;
// A longer silence is not replayed in full: the plant only needs the last two days to settle.
constexpr int64_t kMaxReplayMs = 2 * 86400 * 1000LL;
constexpr int64_t kSecondsPerDay = 86400;
constexpr uint16_t kAlarmLoadLowVoltage = 0x0002;

Identity::Objects IdentityFor(const ControllerSettings& settings) {
  Identity::Objects objects = ControllerIdentity();
  if (settings.serial) objects[Identity::kObjects - 1] = *settings.serial;
  return objects;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

uint16_t Centi(double v) { return static_cast<uint16_t>(std::clamp(std::lround(v * 100.0), 0L, 65535L)); }
uint32_t Deci(double v) { return static_cast<uint32_t>(std::max(0.0, std::floor(v * 10.0))); }
// Signed 16-bit registers in tenths saturate instead of wrapping.
uint16_t DeciSigned16(double v) { return static_cast<uint16_t>(std::min<uint32_t>(Deci(v), 32767)); }
uint16_t Saturate16(double v) { return static_cast<uint16_t>(std::clamp(v, 0.0, 65535.0)); }
uint16_t SignedByte(double c) { return static_cast<uint8_t>(static_cast<int8_t>(std::clamp(std::lround(c), -127L, 127L))); }

}  // namespace

Controller::Controller(const ControllerSettings& settings, const WallClock& clock)
    : ModbusDevice(Identity(IdentityFor(settings))),
      clock_(clock),
      forgetWrites_(settings.forgetWrites),
      noise_(settings.seed),
      restartMs_(settings.restartMs) {
  for (const AreaSpec& a : ControllerAreas()) registers_.Map(a.first, a.last, a.access);
  for (const RuleSpec& r : ControllerRules()) registers_.AddRule(r.address, r.rule);
  for (const PairRuleSpec& r : ControllerPairRules()) registers_.AddPairRule(r.high, r.rule);
  for (const OrderRule& r : ControllerOrderRules()) registers_.AddOrderRule(r);
  for (const RegisterValue& v : ControllerDefaults()) registers_.Set(v.address, v.value);
  registers_.Set(creg::kModbusAddress, settings.unit);
  locked_ = settings.locked;

  const int64_t now = clock_.NowMs();
  clockSetMs_ = now;
  clockAtSet_ = SecondsSince2000Local(FloorDiv(now, 1000));
  plant_.chargeAh = 55.0 + static_cast<double>(settings.seed % 31);
  // Let the plant settle through the last day so stage, voltage and temperatures fit the hour.
  Step(now - kSecondsPerDay * 1000, now, false);
  day_ = FloorDiv(ControllerSecondsAt(now), kSecondsPerDay);
  dayMinCentivolts_ = dayMaxCentivolts_ = Centi(plant_.batteryV);
  steppedToMs_ = now;
  log_ = GenerateDailyLog(settings.seed, std::max(settings.logRecords, 0), day_ - 1);
  Publish();
}

uint8_t Controller::Unit() const { return static_cast<uint8_t>(registers_.Get(creg::kModbusAddress)); }

int64_t Controller::ControllerSecondsAt(int64_t hostMs) const {
  return clockAtSet_ + FloorDiv(hostMs - clockSetMs_, 1000);
}

PlantSettings Controller::SettingsFromRegisters() const {
  const auto volts = [&](uint16_t r) { return registers_.Get(r) / 100.0; };
  const int dip = registers_.Get(creg::kDipSwitches);
  const int type = 4 * (dip >> 4 & 1) + 2 * (dip >> 5 & 1) + (dip >> 6 & 1);
  const uint16_t preset = static_cast<uint16_t>(creg::kBatteryTable + creg::kBatteryParameters * type);
  PlantSettings s;
  s.chargeLimitA = volts(creg::kChargeCurrentLimit);
  s.floatEntryA = volts(creg::kFloatEntryCurrent);
  s.absorptionV = volts(preset);
  s.floatV = volts(preset + 1);
  s.equaliseV = volts(preset + 2);
  s.rebulkV = volts(creg::kRebulkVoltage);
  s.equaliseSeconds = registers_.Get(creg::kEqualiseTime);
  s.loadDisconnectV = volts(creg::kLoadLowDisconnect);
  s.loadReconnectV = volts(creg::kLoadLowReconnect);
  s.loadFollowsSchedule = registers_.Get(creg::kLoadMode) != 0;
  s.duskOn = registers_.GetPair(creg::kDuskOn);
  s.duskOff = registers_.GetPair(creg::kDuskOn + 2);
  s.dawnOn = registers_.GetPair(creg::kDuskOn + 4);
  s.dawnOff = registers_.GetPair(creg::kDuskOn + 6);
  s.chargingDisconnected = chargingDisconnected_;
  s.loadDisconnected = loadDisconnected_;
  return s;
}

void Controller::Step(int64_t fromMs, int64_t toMs, bool countDays) {
  const PlantSettings settings = SettingsFromRegisters();
  fromMs = std::max(fromMs, toMs - kMaxReplayMs);
  for (int64_t t = fromMs; t < toMs;) {
    const int64_t dt = std::min(kStepMs, toMs - t);
    t += dt;
    const int64_t seconds = ControllerSecondsAt(t);
    if (countDays) {
      const int64_t day = FloorDiv(seconds, kSecondsPerDay);
      if (day != day_) StartDay(day);
    }
    const auto secondOfDay = static_cast<uint32_t>(seconds - FloorDiv(seconds, kSecondsPerDay) * kSecondsPerDay);
    StepPlant(plant_, settings, static_cast<double>(dt) / 1000.0, secondOfDay);
    const int cv = Centi(plant_.batteryV);
    dayMinCentivolts_ = std::min(dayMinCentivolts_, cv);
    dayMaxCentivolts_ = std::max(dayMaxCentivolts_, cv);
    if (plant_.loadLowCut) registers_.Set(creg::kAlarms, registers_.Get(creg::kAlarms) | kAlarmLoadLowVoltage);
  }
}

void Controller::StartDay(int64_t day) {
  day_ = day;
  daysSinceEqualise_ = plant_.equalisedSinceMidnight ? 0 : daysSinceEqualise_ + 1;
  daysWithoutCharge_ = plant_.chargedSinceMidnight ? 0 : daysWithoutCharge_ + 1;
  ++daysSinceMaintenance_;
  plant_.equalisedSinceMidnight = false;
  plant_.chargedSinceMidnight = false;
  dayMinCentivolts_ = dayMaxCentivolts_ = Centi(plant_.batteryV);
}

void Controller::Advance() {
  const int64_t now = clock_.NowMs();
  if (now > steppedToMs_) Step(steppedToMs_, now, true);
  steppedToMs_ = now;
  Publish();
}

void Controller::Publish() {
  RegisterSpace& r = registers_;
  const PlantState& p = plant_;
  const int jitter = static_cast<int>(noise_() % 3) - 1;  // the last digit of a real reading flickers
  const uint16_t battery = Centi(p.batteryV);
  r.SetPair(creg::kLoadAhResettable, Deci(p.loadAhResettable));
  r.SetPair(creg::kLoadAhTotal, Deci(p.loadAhTotal));
  r.Set(creg::kBatteryVoltage, static_cast<uint16_t>(battery + jitter));
  r.Set(creg::kBatterySenseVoltage, static_cast<uint16_t>(battery - 2));
  r.Set(creg::kLoadVoltage, p.loadOn ? static_cast<uint16_t>(battery - 5) : 0);
  r.Set(creg::kLoadCurrent, Centi(p.loadA));
  r.Set(creg::kHeatsinkTemperature, SignedByte(p.heatsinkC));
  r.Set(creg::kRtsTemperature, SignedByte(p.ambientC + 1.0));
  r.Set(creg::kAmbientTemperature, SignedByte(p.ambientC));
  r.Set(creg::kWirelessRtsTemperature, Centi(p.ambientC + 1.0));
  r.Set(creg::kChargeCurrent, Centi(p.chargeA));
  r.SetPair(creg::kHourmeter, static_cast<uint32_t>(p.runSeconds / 3600.0));
  r.Set(creg::kPvStatus, p.sun > 0.02 ? 0 : 1);
  r.Set(creg::kChargingState, static_cast<uint16_t>(p.stage));
  r.SetPair(creg::kChargeAhResettable, Deci(p.chargeAhResettable));
  r.SetPair(creg::kChargeAhTotal, Deci(p.chargeAhTotal));
  r.Set(creg::kChargeKwhResettable, DeciSigned16(p.chargeKwhResettable));
  r.Set(creg::kChargeKwhTotal, DeciSigned16(p.chargeKwhTotal));
  r.Set(creg::kLoadKwhResettable, DeciSigned16(p.loadKwhResettable));
  r.Set(creg::kLoadKwhTotal, DeciSigned16(p.loadKwhTotal));
  r.SetPair(creg::kClock, static_cast<uint32_t>(ControllerSecondsAt(steppedToMs_)));
  r.Set(creg::kLoadState, p.loadOn ? 1 : 0);
  r.Set(creg::kDailyMinBattery, static_cast<uint16_t>(dayMinCentivolts_));
  r.Set(creg::kDailyMaxBattery, static_cast<uint16_t>(dayMaxCentivolts_));
  r.Set(creg::kDaysWithoutCharge, static_cast<uint16_t>(daysWithoutCharge_));
  r.Set(creg::kDaysSinceEqualise, static_cast<uint16_t>(daysSinceEqualise_));
  r.Set(creg::kEqualiseRunTime, Saturate16(p.equaliseRunSeconds));
  r.Set(creg::kEqualiseEffectiveTime, Saturate16(p.equaliseEffectiveSeconds));
  r.Set(creg::kDaysSinceMaintenance, static_cast<uint16_t>(daysSinceMaintenance_));
}

std::optional<ExceptionCode> Controller::StoreRegisters(uint16_t start, std::span<const uint16_t> values) {
  // A worn-out EEPROM: the write is checked and confirmed, but nothing changes.
  if (forgetWrites_) return registers_.CheckWrite(start, values);
  if (auto refused = ModbusDevice::StoreRegisters(start, values)) return refused;
  const uint32_t end = start + static_cast<uint32_t>(values.size());
  if (start <= creg::kClock + 1u && end > creg::kClock) {
    // The clock runs on from the written value; a date before 2000 arrives as a negative count.
    clockAtSet_ = static_cast<int32_t>(registers_.GetPair(creg::kClock));
    clockSetMs_ = steppedToMs_;
    day_ = FloorDiv(clockAtSet_, kSecondsPerDay);
  }
  return std::nullopt;
}

std::optional<bool> Controller::CoilState(uint16_t address) const {
  for (const CoilSpec& c : ControllerCoils()) {
    if (c.address != address) continue;
    if (c.action == ControllerAction::kDisconnectCharging) return chargingDisconnected_;
    if (c.action == ControllerAction::kDisconnectLoad) return loadDisconnected_;
    return false;  // the actions are momentary
  }
  return std::nullopt;
}

std::optional<ExceptionCode> Controller::SwitchCoil(uint16_t address, bool on) {
  const auto coil = std::find_if(ControllerCoils().begin(), ControllerCoils().end(),
                                 [&](const CoilSpec& c) { return c.address == address; });
  if (coil == ControllerCoils().end()) return ExceptionCode::kIllegalAddress;
  // Latched coils follow the value; the others act on 0xFF00 only.
  if (coil->action == ControllerAction::kDisconnectCharging) chargingDisconnected_ = on;
  if (coil->action == ControllerAction::kDisconnectLoad) loadDisconnected_ = on;
  if (on) {
    switch (coil->action) {
      case ControllerAction::kEqualise: plant_.equalisePending = true; break;
      case ControllerAction::kResetMaintenance: daysSinceMaintenance_ = 0; break;
      case ControllerAction::kClearChargeAh: plant_.chargeAhResettable = 0; break;
      case ControllerAction::kClearLoadAh: plant_.loadAhResettable = 0; break;
      case ControllerAction::kClearChargeKwh: plant_.chargeKwhResettable = 0; break;
      case ControllerAction::kClearLoadKwh: plant_.loadKwhResettable = 0; break;
      case ControllerAction::kClearFaults: registers_.Set(creg::kFaults, 0); break;
      case ControllerAction::kClearAlarms: registers_.Set(creg::kAlarms, 0); break;
      case ControllerAction::kReset:
        // A restart forgets the latched words, the manual disconnects and the day's extremes;
        // counters and settings live in EEPROM.
        registers_.Set(creg::kFaults, 0);
        registers_.Set(creg::kAlarms, 0);
        chargingDisconnected_ = loadDisconnected_ = false;
        plant_.equalisePending = false;
        plant_.loadLowCut = false;
        plant_.stage = Stage::kNight;
        dayMinCentivolts_ = dayMaxCentivolts_ = Centi(plant_.batteryV);
        restartUntilMs_ = clock_.NowMs() + restartMs_;
        break;
      case ControllerAction::kDisconnectCharging:
      case ControllerAction::kDisconnectLoad: break;
    }
  }
  Publish();
  return std::nullopt;
}

Pdu Controller::ReadLog(uint8_t object) {
  constexpr uint8_t kAll = 0;
  constexpr uint8_t kLatest = 1;
  if (object == kAll) return LogAnswerPdu(object, log_);
  if (object == kLatest) return LogAnswerPdu(object, std::span<const LogRecord>(log_).first(std::min<size_t>(1, log_.size())));
  return ExceptionPdu(fn::kDeviceIdentification, ExceptionCode::kIllegalAddress);
}

}  // namespace kaviro::sim
