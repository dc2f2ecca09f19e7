#include "link/net_inbox.h"

#include "link/network_frame.h"

namespace kaviro {

int NetInbox::ReceiveFrom(NetSocket& socket, uint16_t transactionId) {
  std::lock_guard lock(mutex_);
  std::array<uint8_t, kSize> incoming;
  const int n = socket.Receive(incoming);
  if (n > 0 && MatchesTransaction(std::span(incoming).first(static_cast<size_t>(n)), transactionId)) {
    bytes_ = incoming;
    count_ = static_cast<size_t>(n);
    arrived_.store(true);
  }
  return n;
}

std::vector<uint8_t> NetInbox::Answer() const {
  std::lock_guard lock(mutex_);
  return {bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(count_)};
}

void NetInbox::Reset() {
  std::lock_guard lock(mutex_);
  count_ = 0;
  arrived_.store(false);
}

}  // namespace kaviro
