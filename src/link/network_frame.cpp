#include "link/network_frame.h"

#include <algorithm>

namespace kaviro {

std::vector<uint8_t> BuildNetworkRequest(uint16_t transactionId, Protocol protocol,
                                         std::span<const uint8_t> frameWithoutCrc) {
  const auto proto = static_cast<uint16_t>(protocol);
  const size_t length = frameWithoutCrc.size();
  std::vector<uint8_t> out(kNetworkHeader + length);
  out[0] = static_cast<uint8_t>(transactionId >> 8);
  out[1] = static_cast<uint8_t>(transactionId & 0xFF);
  out[2] = static_cast<uint8_t>(proto >> 8);
  out[3] = static_cast<uint8_t>(proto & 0xFF);
  out[4] = static_cast<uint8_t>(length >> 8);
  out[5] = static_cast<uint8_t>(length & 0xFF);
  std::copy(frameWithoutCrc.begin(), frameWithoutCrc.end(), out.begin() + kNetworkHeader);
  return out;
}

bool MatchesTransaction(std::span<const uint8_t> received, uint16_t transactionId) {
  return received.size() >= 2 && received[0] == (transactionId >> 8) && received[1] == (transactionId & 0xFF);
}

std::optional<uint16_t> NetworkLength(std::span<const uint8_t> received) {
  if (received.size() < kNetworkHeader) return std::nullopt;
  return static_cast<uint16_t>(received[4] << 8 | received[5]);
}

bool LooksLikeFrame(std::span<const uint8_t> received) {
  const auto length = NetworkLength(received);
  if (!length) return false;
  const uint16_t protocol = static_cast<uint16_t>(received[2] << 8 | received[3]);
  return *length >= 2 &&
         (protocol == static_cast<uint16_t>(Protocol::kController) || protocol == static_cast<uint16_t>(Protocol::kRelay));
}

bool CopyNetworkAnswer(std::span<const uint8_t> received, ReceiveBuffer& out) {
  const auto length = NetworkLength(received);
  if (!length || received.size() - kNetworkHeader < *length) return false;
  out.Assign(received.subspan(kNetworkHeader, *length));
  out.count = *length + 2;
  return true;
}

}  // namespace kaviro
