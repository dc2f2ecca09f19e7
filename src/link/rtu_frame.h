#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace kaviro {

namespace fn {
inline constexpr uint8_t kReadHolding = 0x03;
inline constexpr uint8_t kReadInput = 0x04;
inline constexpr uint8_t kWriteCoil = 0x05;
inline constexpr uint8_t kWriteRegister = 0x06;
inline constexpr uint8_t kWriteMultiple = 0x10;
inline constexpr uint8_t kDeviceIdentification = 0x2B;
inline constexpr uint8_t kMeiDeviceIdentification = 0x0E;
}  // namespace fn

// A Modbus RTU frame as it travels on the serial line: address, function, data, CRC (low byte first).
class RtuFrame {
 public:
  RtuFrame() = default;
  // Appends the CRC of `body`.
  static RtuFrame Seal(std::span<const uint8_t> body);

  std::span<const uint8_t> Bytes() const { return bytes_; }
  // Address, function and data: what the network frame carries.
  std::span<const uint8_t> WithoutCrc() const;
  size_t size() const { return bytes_.size(); }
  uint8_t operator[](size_t i) const { return bytes_[i]; }
  bool operator==(const RtuFrame&) const = default;

 private:
  std::vector<uint8_t> bytes_;
};

RtuFrame ReadRegisters(uint8_t unit, uint8_t function, uint16_t start, uint16_t count);
RtuFrame WriteCoil(uint8_t unit, uint16_t coil, uint16_t value = 0xFF00);
RtuFrame WriteRegister(uint8_t unit, uint16_t reg, uint16_t value);
// Function 0x10: count = data.size() / 2, byte count = data.size().
RtuFrame WriteRegisters(uint8_t unit, uint16_t start, std::span<const uint8_t> data);
// Function 0x2B, MEI type 0x0E.
RtuFrame ReadDeviceIdentification(uint8_t unit, uint8_t readCode, uint8_t object);

// Length of the answer to a register read of `count` registers, CRC included.
constexpr int ReadAnswerLength(int count) { return 2 * count + 5; }

inline void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v & 0xFF));
}
inline uint16_t GetU16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

}  // namespace kaviro
