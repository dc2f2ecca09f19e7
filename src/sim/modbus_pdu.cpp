#include "sim/modbus_pdu.h"

#include "link/rtu_frame.h"

namespace kaviro::sim {

Pdu ExceptionPdu(uint8_t function, ExceptionCode code) {
  return {static_cast<uint8_t>(function | 0x80), static_cast<uint8_t>(code)};
}

Pdu RegistersPdu(uint8_t function, std::span<const uint16_t> words) {
  Pdu out{function, static_cast<uint8_t>(words.size() * 2)};
  for (uint16_t w : words) PutU16(out, w);
  return out;
}

Pdu CoilsPdu(std::span<const uint8_t> states) {
  Pdu out{kReadCoilsFunction, static_cast<uint8_t>((states.size() + 7) / 8)};
  out.resize(2 + out[1], 0);
  for (size_t i = 0; i < states.size(); ++i)
    if (states[i]) out[2 + i / 8] |= static_cast<uint8_t>(1u << (i % 8));
  return out;
}

Pdu WriteConfirmPdu(uint8_t function, uint16_t start, uint16_t count) {
  Pdu out{function};
  PutU16(out, start);
  PutU16(out, count);
  return out;
}

}  // namespace kaviro::sim
