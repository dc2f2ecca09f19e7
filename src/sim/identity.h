#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sim/modbus_pdu.h"

namespace kaviro::sim {

// The five identification objects of function 0x2B / MEI 0x0E: vendor, product code, hardware
// version, software version, serial number.
class Identity {
 public:
  static constexpr size_t kObjects = 5;
  static constexpr size_t kMaxText = 15;
  static constexpr size_t kSerialLength = 8;
  using Objects = std::array<std::string, kObjects>;

  explicit Identity(Objects objects) : objects_(std::move(objects)) {}
  const Objects& objects() const { return objects_; }

  // Read code 1 (a stream from `first`, all five when it names none) and 4 (one object).
  Pdu Read(uint8_t readCode, uint8_t first) const;
  // Read code 2: the tool's update layout (0x00, N, 0x00, K, then K × id, length, text).
  // Returns the read-code-2 answer listing the stored objects, or an exception.
  Pdu Update(std::span<const uint8_t> pdu);

 private:
  Pdu Header(uint8_t readCode, size_t count) const;
  Objects objects_;
};

}  // namespace kaviro::sim
