#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/modbus_pdu.h"

namespace kaviro::sim {

struct NetworkRequest {
  uint16_t transaction = 0;
  uint16_t protocol = 0;
  uint8_t unit = 0;
  Pdu pdu;
};

// Cuts a TCP byte stream into requests by the six-byte header's length field. A length that no
// request can have means the stream has lost its framing: the framer reports itself broken and
// the connection has to go.
class NetworkFramer {
 public:
  // Unit identifier plus the longest PDU accepted.
  static constexpr uint16_t kMaxLength = 261;
  static constexpr uint16_t kMinLength = 2;

  void Feed(std::span<const uint8_t> bytes);
  std::optional<NetworkRequest> Next();
  bool Broken() const { return broken_; }
  bool HasPartial() const { return !buffer_.empty(); }

 private:
  std::vector<uint8_t> buffer_;
  bool broken_ = false;
};

// The answer on the wire: the request's transaction and protocol, the length, the unit, the PDU.
std::vector<uint8_t> NetworkAnswer(const NetworkRequest& request, std::span<const uint8_t> pdu);

}  // namespace kaviro::sim
