#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "sim/identity.h"
#include "sim/modbus_pdu.h"
#include "sim/register_space.h"

namespace kaviro::sim {

// The request handling every simulated device shares: it checks each request PDU the way a
// Modbus server does (exception 01, 02, 03) and leaves the meaning of registers, coils and logs
// to the device.
class ModbusDevice {
 public:
  explicit ModbusDevice(Identity identity) : identity_(std::move(identity)) {}
  virtual ~ModbusDevice() = default;

  // One request PDU in, its answer PDU out (an exception answer when refused).
  Pdu Answer(std::span<const uint8_t> pdu);

  const RegisterSpace& registers() const { return registers_; }
  const Identity& identity() const { return identity_; }

 protected:
  // Brings computed registers up to date before a request is served.
  virtual void Refresh() {}
  // Stores a checked write; devices whose write addresses differ from their read addresses
  // override it. The default checks against the register space and stores.
  virtual std::optional<ExceptionCode> StoreRegisters(uint16_t start, std::span<const uint16_t> values);
  // nullopt: no coil at that address.
  virtual std::optional<bool> CoilState(uint16_t address) const = 0;
  virtual std::optional<ExceptionCode> SwitchCoil(uint16_t address, bool on) = 0;
  // Read code 3 of function 0x2B; devices without a log refuse it.
  virtual Pdu ReadLog(uint8_t object);

  RegisterSpace registers_;
  Identity identity_;
  // Settings locked: register writes and identification updates fail, nothing changes.
  bool locked_ = false;

 private:
  Pdu ReadCoils(std::span<const uint8_t> pdu);
  Pdu ReadRegisters(std::span<const uint8_t> pdu);
  Pdu WriteCoil(std::span<const uint8_t> pdu);
  Pdu WriteRegister(std::span<const uint8_t> pdu);
  Pdu WriteRegisters(std::span<const uint8_t> pdu);
  Pdu DeviceIdentification(std::span<const uint8_t> pdu);
};

}  // namespace kaviro::sim
