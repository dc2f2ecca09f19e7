#pragma once
// RD answers as they come back on the network: the request's transaction id, protocol 0x0101,
// the length, then unit, function and data.
#include <algorithm>
#include <cstdint>

#include "link/fake_link.h"

namespace kaviro::testing {

inline Bytes RdHeader(uint16_t tid, size_t length) {
  return {static_cast<uint8_t>(tid >> 8), static_cast<uint8_t>(tid), 0x01, 0x01, static_cast<uint8_t>(length >> 8),
          static_cast<uint8_t>(length)};
}

inline Bytes RdAnswer(uint16_t tid, const Bytes& pdu) {
  const Bytes header = RdHeader(tid, pdu.size());
  Bytes out(header.size() + pdu.size());
  std::copy(pdu.begin(), pdu.end(), std::copy(header.begin(), header.end(), out.begin()));
  return out;
}

}  // namespace kaviro::testing
