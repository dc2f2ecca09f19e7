#include "sim/modbus_device.h"

#include <vector>

#include "link/rtu_frame.h"

namespace kaviro::sim {

namespace {
constexpr uint16_t kCoilOn = 0xFF00;
constexpr uint16_t kCoilOff = 0x0000;
constexpr uint16_t kMaxReadRegisters = 125;
constexpr uint16_t kMaxWriteRegisters = 123;
constexpr uint16_t kMaxReadCoils = 2000;
// Every fixed-size request: function, two 16-bit fields.
constexpr size_t kTwoFieldPdu = 5;
constexpr uint8_t kReadLogCode = 0x03;
constexpr uint8_t kUpdateCode = 0x02;
}  // namespace

Pdu ModbusDevice::Answer(std::span<const uint8_t> pdu) {
  if (pdu.empty()) return ExceptionPdu(0, ExceptionCode::kIllegalFunction);
  Refresh();
  using Handler = Pdu (ModbusDevice::*)(std::span<const uint8_t>);
  struct Route {
    uint8_t function;
    Handler handler;
  };
  static constexpr Route kRoutes[] = {
      {kReadCoilsFunction, &ModbusDevice::ReadCoils},
      {fn::kReadHolding, &ModbusDevice::ReadRegisters},
      {fn::kReadInput, &ModbusDevice::ReadRegisters},
      {fn::kWriteCoil, &ModbusDevice::WriteCoil},
      {fn::kWriteRegister, &ModbusDevice::WriteRegister},
      {fn::kWriteMultiple, &ModbusDevice::WriteRegisters},
      {fn::kDeviceIdentification, &ModbusDevice::DeviceIdentification},
  };
  for (const Route& r : kRoutes)
    if (r.function == pdu[0]) return (this->*r.handler)(pdu);
  return ExceptionPdu(pdu[0], ExceptionCode::kIllegalFunction);
}

std::optional<ExceptionCode> ModbusDevice::StoreRegisters(uint16_t start, std::span<const uint16_t> values) {
  if (locked_) return ExceptionCode::kServerFailure;
  if (auto refused = registers_.CheckWrite(start, values)) return refused;
  registers_.Store(start, values);
  return std::nullopt;
}

Pdu ModbusDevice::ReadLog(uint8_t) {
  return ExceptionPdu(fn::kDeviceIdentification, ExceptionCode::kIllegalValue);
}

Pdu ModbusDevice::ReadCoils(std::span<const uint8_t> pdu) {
  if (pdu.size() != kTwoFieldPdu) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  const uint16_t start = GetU16(pdu, 1);
  const uint16_t count = GetU16(pdu, 3);
  if (count < 1 || count > kMaxReadCoils) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  std::vector<uint8_t> states;
  for (uint32_t a = start; a < static_cast<uint32_t>(start) + count; ++a) {
    const auto state = a <= 0xFFFF ? CoilState(static_cast<uint16_t>(a)) : std::nullopt;
    if (!state) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalAddress);
    states.push_back(*state ? 1 : 0);
  }
  return CoilsPdu(states);
}

Pdu ModbusDevice::ReadRegisters(std::span<const uint8_t> pdu) {
  if (pdu.size() != kTwoFieldPdu) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  const uint16_t start = GetU16(pdu, 1);
  const uint16_t count = GetU16(pdu, 3);
  if (count < 1 || count > kMaxReadRegisters) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  if (!registers_.Allows(start, count, kRead)) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalAddress);
  return RegistersPdu(pdu[0], registers_.Read(start, count));
}

Pdu ModbusDevice::WriteCoil(std::span<const uint8_t> pdu) {
  if (pdu.size() != kTwoFieldPdu) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  const uint16_t coil = GetU16(pdu, 1);
  const uint16_t value = GetU16(pdu, 3);
  if (value != kCoilOn && value != kCoilOff) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  if (!CoilState(coil)) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalAddress);
  if (auto refused = SwitchCoil(coil, value == kCoilOn)) return ExceptionPdu(pdu[0], *refused);
  return Pdu(pdu.begin(), pdu.end());
}

Pdu ModbusDevice::WriteRegister(std::span<const uint8_t> pdu) {
  if (pdu.size() != kTwoFieldPdu) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  const uint16_t value = GetU16(pdu, 3);
  if (auto refused = StoreRegisters(GetU16(pdu, 1), std::span<const uint16_t>(&value, 1)))
    return ExceptionPdu(pdu[0], *refused);
  return Pdu(pdu.begin(), pdu.end());
}

Pdu ModbusDevice::WriteRegisters(std::span<const uint8_t> pdu) {
  // function, start, count, byte count, data
  constexpr size_t kHeader = 6;
  if (pdu.size() < kHeader) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  const uint16_t start = GetU16(pdu, 1);
  const uint16_t count = GetU16(pdu, 3);
  const size_t bytes = pdu[5];
  if (count < 1 || count > kMaxWriteRegisters || bytes != 2u * count || pdu.size() != kHeader + bytes)
    return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  std::vector<uint16_t> values;
  for (size_t i = 0; i < count; ++i) values.push_back(GetU16(pdu, kHeader + 2 * i));
  if (auto refused = StoreRegisters(start, values)) return ExceptionPdu(pdu[0], *refused);
  return WriteConfirmPdu(pdu[0], start, count);
}

Pdu ModbusDevice::DeviceIdentification(std::span<const uint8_t> pdu) {
  // function, MEI type, read code, object
  constexpr size_t kReadPdu = 4;
  if (pdu.size() < 2 || pdu[1] != fn::kMeiDeviceIdentification)
    return ExceptionPdu(pdu[0], ExceptionCode::kIllegalFunction);
  if (pdu.size() < 3) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  const uint8_t code = pdu[2];
  if (code == kUpdateCode) return locked_ ? ExceptionPdu(pdu[0], ExceptionCode::kServerFailure) : identity_.Update(pdu);
  if (pdu.size() != kReadPdu) return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
  if (code == kReadLogCode) return ReadLog(pdu[3]);
  if (code == 0x01 || code == 0x04) return identity_.Read(code, pdu[3]);
  return ExceptionPdu(pdu[0], ExceptionCode::kIllegalValue);
}

}  // namespace kaviro::sim
