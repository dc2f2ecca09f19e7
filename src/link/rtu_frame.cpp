#include "link/rtu_frame.h"

#include "link/crc16.h"

namespace kaviro {

RtuFrame RtuFrame::Seal(std::span<const uint8_t> body) {
  RtuFrame f;
  f.bytes_.assign(body.begin(), body.end());
  const uint16_t crc = ComputeCrc16(body);
  f.bytes_.push_back(static_cast<uint8_t>(crc & 0xFF));
  f.bytes_.push_back(static_cast<uint8_t>(crc >> 8));
  return f;
}

std::span<const uint8_t> RtuFrame::WithoutCrc() const {
  return std::span<const uint8_t>(bytes_).first(bytes_.size() < 2 ? 0 : bytes_.size() - 2);
}

namespace {
RtuFrame TwoFields(uint8_t unit, uint8_t function, uint16_t a, uint16_t b) {
  std::vector<uint8_t> body{unit, function};
  PutU16(body, a);
  PutU16(body, b);
  return RtuFrame::Seal(body);
}
}  // namespace

RtuFrame ReadRegisters(uint8_t unit, uint8_t function, uint16_t start, uint16_t count) {
  return TwoFields(unit, function, start, count);
}

RtuFrame WriteCoil(uint8_t unit, uint16_t coil, uint16_t value) {
  return TwoFields(unit, fn::kWriteCoil, coil, value);
}

RtuFrame WriteRegister(uint8_t unit, uint16_t reg, uint16_t value) {
  return TwoFields(unit, fn::kWriteRegister, reg, value);
}

RtuFrame WriteRegisters(uint8_t unit, uint16_t start, std::span<const uint8_t> data) {
  std::vector<uint8_t> body{unit, fn::kWriteMultiple};
  PutU16(body, start);
  PutU16(body, static_cast<uint16_t>(data.size() / 2));
  body.push_back(static_cast<uint8_t>(data.size()));
  body.insert(body.end(), data.begin(), data.end());
  return RtuFrame::Seal(body);
}

RtuFrame ReadDeviceIdentification(uint8_t unit, uint8_t readCode, uint8_t object) {
  const uint8_t body[] = {unit, fn::kDeviceIdentification, fn::kMeiDeviceIdentification, readCode, object};
  return RtuFrame::Seal(body);
}

}  // namespace kaviro
