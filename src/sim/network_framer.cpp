#include "sim/network_framer.h"

#include "link/network_frame.h"
#include "link/rtu_frame.h"

namespace kaviro::sim {

void NetworkFramer::Feed(std::span<const uint8_t> bytes) { buffer_.insert(buffer_.end(), bytes.begin(), bytes.end()); }

std::optional<NetworkRequest> NetworkFramer::Next() {
  if (broken_) return std::nullopt;
  const auto length = NetworkLength(buffer_);
  if (!length) return std::nullopt;
  if (*length < kMinLength || *length > kMaxLength) {
    broken_ = true;
    buffer_.clear();
    return std::nullopt;
  }
  if (buffer_.size() < kNetworkHeader + *length) return std::nullopt;
  NetworkRequest r;
  r.transaction = GetU16(buffer_, 0);
  r.protocol = GetU16(buffer_, 2);
  r.unit = buffer_[kNetworkHeader];
  r.pdu.assign(buffer_.begin() + kNetworkHeader + 1, buffer_.begin() + static_cast<std::ptrdiff_t>(kNetworkHeader + *length));
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(kNetworkHeader + *length));
  return r;
}

std::vector<uint8_t> NetworkAnswer(const NetworkRequest& request, std::span<const uint8_t> pdu) {
  std::vector<uint8_t> body{request.unit};
  body.insert(body.end(), pdu.begin(), pdu.end());
  return BuildNetworkRequest(request.transaction, static_cast<Protocol>(request.protocol), body);
}

}  // namespace kaviro::sim
