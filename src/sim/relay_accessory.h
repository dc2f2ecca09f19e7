#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "sim/modbus_device.h"

namespace kaviro::sim {

// The RD accessory behind the controller's network side: three relays, a buzzer, a voltage
// switch, relay ranges and warning voltages, a wireless address and its own Modbus address.
// Ranges and warnings are written at 0x2030–0x2034 and read back at 0x2010–0x2014; a read of
// 0x2030 shows the voltage switch and relay states instead.
class RelayAccessory final : public ModbusDevice {
 public:
  RelayAccessory();

  // It answers its Modbus address and the last byte of its wireless address.
  bool Answers(uint8_t unit) const;
  // The battery it watches is the controller's.
  void SetBatteryMillivolts(uint16_t millivolts) { batteryMv_ = millivolts; }

  struct State {
    uint8_t modbusId = 0x36;
    uint8_t batteryCode = 1;  // 0 automatic, 1 one 12 V battery, 2 two, 3 four
    bool passive = false;     // run mode: relays switched by hand instead of by voltage
    bool buzzerDisabled = false;
    bool buzzerOn = false;
    std::array<bool, 3> relays{true, true, true};
    std::array<uint8_t, 5> wireless{'2', '1', '2', '0', '6'};
    // Action voltage (whole volts) high byte, restore offset (0.1 V) low byte.
    std::array<uint16_t, 3> ranges{0x0B0A, 0x0C05, 0x0C0F};
    uint16_t alarmMv = 11500;
    uint16_t warningMv = 12000;
  };
  const State& state() const { return state_; }

 protected:
  void Refresh() override;
  std::optional<ExceptionCode> StoreRegisters(uint16_t start, std::span<const uint16_t> values) override;
  std::optional<bool> CoilState(uint16_t address) const override;
  std::optional<ExceptionCode> SwitchCoil(uint16_t address, bool on) override;

 private:
  void Apply(uint16_t address, uint16_t value);
  void FollowVoltage();

  State state_;
  uint16_t batteryMv_ = 12800;
};

}  // namespace kaviro::sim
