#pragma once
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "sim/daily_log.h"
#include "sim/modbus_device.h"
#include "sim/plant_model.h"
#include "sim/wall_clock.h"

namespace kaviro::sim {

struct ControllerSettings {
  uint8_t unit = 1;
  uint64_t seed = 1;
  int logRecords = 30;
  bool forgetWrites = false;  // confirm register writes as usual but keep the old values
  bool locked = false;  // writes answered with exception 04, nothing stored
  int restartMs = 0;  // how long a reset keeps the controller from answering
  std::optional<std::string> serial = std::nullopt;  // identification object 0x04; nothing: the factory one
};

// The KAVIRO charge controller: one register space for the poll blocks and the parameters, the
// coil actions, the identification objects and the daily log. Live values follow a simulated
// panel, battery and lamp, stepped up to the wall clock whenever a request arrives.
class Controller final : public ModbusDevice {
 public:
  Controller(const ControllerSettings& settings, const WallClock& clock);

  // The address it answers to (register 0x0040).
  uint8_t Unit() const;
  // Steps the plant up to the clock's now and refreshes the live registers.
  void Advance();
  const PlantState& plant() const { return plant_; }
  // Between a reset and the end of its restart nothing is answered.
  bool Restarting() const { return clock_.NowMs() < restartUntilMs_; }

 protected:
  void Refresh() override { Advance(); }
  std::optional<ExceptionCode> StoreRegisters(uint16_t start, std::span<const uint16_t> values) override;
  std::optional<bool> CoilState(uint16_t address) const override;
  std::optional<ExceptionCode> SwitchCoil(uint16_t address, bool on) override;
  Pdu ReadLog(uint8_t object) override;

 private:
  int64_t ControllerSecondsAt(int64_t hostMs) const;
  PlantSettings SettingsFromRegisters() const;
  void Step(int64_t fromMs, int64_t toMs, bool countDays);
  void StartDay(int64_t day);
  void Publish();

  const WallClock& clock_;
  bool forgetWrites_;
  std::mt19937_64 noise_;
  PlantState plant_;
  int64_t steppedToMs_ = 0;
  // The controller clock: `clockAtSet_` seconds (since 2000, local) at host time `clockSetMs_`.
  int64_t clockAtSet_ = 0;
  int64_t clockSetMs_ = 0;
  int64_t day_ = 0;
  int dayMinCentivolts_ = 0;
  int dayMaxCentivolts_ = 0;
  int daysSinceEqualise_ = 12;
  int daysSinceMaintenance_ = 15;
  int daysWithoutCharge_ = 0;
  bool chargingDisconnected_ = false;
  bool loadDisconnected_ = false;
  int restartMs_ = 0;
  int64_t restartUntilMs_ = 0;
  std::vector<LogRecord> log_;
};

}  // namespace kaviro::sim
