#include "sim/network_framer.h"

#include <algorithm>

#include "sim/mbap_header.h"

namespace kaviro::sim {

void NetworkFramer::Feed(std::span<const uint8_t> bytes) { buffer_.insert(buffer_.end(), bytes.begin(), bytes.end()); }

std::optional<NetworkRequest> NetworkFramer::Next() {
  if (broken_) return std::nullopt;
  const auto header = MbapHeader::Decode(buffer_);
  if (!header) return std::nullopt;
  if (header->length < kMinLength || header->length > kMaxLength) {
    broken_ = true;
    buffer_.clear();
    return std::nullopt;
  }
  const size_t whole = MbapHeader::kSize + header->length;
  if (buffer_.size() < whole) return std::nullopt;
  NetworkRequest r;
  r.transaction = header->transaction;
  r.protocol = header->protocol;
  r.unit = buffer_[MbapHeader::kSize];
  r.pdu.assign(buffer_.begin() + MbapHeader::kSize + 1, buffer_.begin() + static_cast<std::ptrdiff_t>(whole));
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(whole));
  return r;
}

std::vector<uint8_t> NetworkAnswer(const NetworkRequest& request, std::span<const uint8_t> pdu) {
  const MbapHeader header{request.transaction, request.protocol, static_cast<uint16_t>(1 + pdu.size())};
  const auto head = header.Encode();
  std::vector<uint8_t> frame(MbapHeader::kSize + 1 + pdu.size());
  std::copy(head.begin(), head.end(), frame.begin());
  frame[MbapHeader::kSize] = request.unit;
  std::copy(pdu.begin(), pdu.end(), frame.begin() + MbapHeader::kSize + 1);
  return frame;
}

}  // namespace kaviro::sim
