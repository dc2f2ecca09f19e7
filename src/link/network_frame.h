#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/receive_buffer.h"

namespace kaviro {

// Protocol identifier of the six-byte header: the controller, or the RD accessory behind it.
enum class Protocol : uint16_t { kController = 0x0000, kRelay = 0x0101 };

inline constexpr size_t kNetworkHeader = 6;

// Header (transaction id, protocol, length) followed by the frame without its CRC.
std::vector<uint8_t> BuildNetworkRequest(uint16_t transactionId, Protocol protocol,
                                         std::span<const uint8_t> frameWithoutCrc);

// True when the first two bytes carry `transactionId`, high byte first.
bool MatchesTransaction(std::span<const uint8_t> received, uint16_t transactionId);

// The header's length field, when the header arrived.
std::optional<uint16_t> NetworkLength(std::span<const uint8_t> received);

// A header that can start a frame: a protocol id in use, a length that counts the unit id and at
// least a function code. Bytes that are no frame are never stepped over by a length they claim.
bool LooksLikeFrame(std::span<const uint8_t> received);

// Puts the answer behind the header into `out` as an RTU answer counted with its two CRC places
// (count = length field + 2). Refused when the header is short or when the length field claims
// more bytes than arrived: an answer is never decoded from stale bytes.
bool CopyNetworkAnswer(std::span<const uint8_t> received, ReceiveBuffer& out);

// The 16-bit transaction identifier every network request carries; wraps at 65536.
class TransactionId {
 public:
  uint16_t Current() const { return value_.load(); }
  void Advance() { value_.fetch_add(1); }
  void Reset(uint16_t v = 0) { value_.store(v); }

 private:
  std::atomic<uint16_t> value_{0};
};

}  // namespace kaviro
