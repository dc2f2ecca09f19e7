#include "link/net_inbox.h"

#include <algorithm>
#include <array>

#include "link/network_frame.h"

namespace kaviro {

namespace {

// Room for a whole answer waiting behind the one being taken.
constexpr size_t kStreamCapacity = 2 * NetInbox::kSize;

bool StartsWithWholeFrame(const std::vector<uint8_t>& bytes) {
  const auto length = NetworkLength(bytes);
  return length && bytes.size() >= kNetworkHeader + *length;
}

}  // namespace

int NetInbox::ReceiveFrom(NetSocket& socket, uint16_t transactionId) {
  std::lock_guard lock(mutex_);
  const size_t room = std::min(kSize, kStreamCapacity - std::min(kStreamCapacity, stream_.size()));
  int n = NetSocket::kWouldBlock;
  if (room > 0) {
    std::array<uint8_t, kSize> incoming;
    n = socket.Receive(std::span(incoming).first(room));
    if (n > 0) stream_.insert(stream_.end(), incoming.begin(), incoming.begin() + n);
  }
  Match(transactionId);
  return n;
}

void NetInbox::Match(uint16_t transactionId) {
  if (arrived_.load() || stream_.size() < 2) return;
  if (!MatchesTransaction(stream_, transactionId)) {
    stream_.clear();
    return;
  }
  const auto length = NetworkLength(stream_);
  if (!length) return;
  const size_t whole = kNetworkHeader + *length;
  if (whole <= kSize && stream_.size() < whole) return;  // the rest is still on its way
  // An answer longer than the buffer can never be held: it is taken as far as it came (and
  // refused when copied); the rest of it is dropped.
  const size_t take = std::min({whole, stream_.size(), kSize});
  answer_.assign(stream_.begin(), stream_.begin() + static_cast<std::ptrdiff_t>(take));
  stream_.erase(stream_.begin(), whole > kSize ? stream_.end() : stream_.begin() + static_cast<std::ptrdiff_t>(take));
  arrived_.store(true);
}

std::vector<uint8_t> NetInbox::Answer() const {
  std::lock_guard lock(mutex_);
  return answer_;
}

std::vector<uint8_t> NetInbox::Unfinished(uint16_t transactionId) const {
  std::lock_guard lock(mutex_);
  if (arrived_.load() || !MatchesTransaction(stream_, transactionId)) return {};
  return stream_;
}

void NetInbox::Reset() {
  std::lock_guard lock(mutex_);
  answer_.clear();
  arrived_.store(false);
  if (!StartsWithWholeFrame(stream_)) stream_.clear();
}

void NetInbox::Clear() {
  std::lock_guard lock(mutex_);
  answer_.clear();
  stream_.clear();
  arrived_.store(false);
}

}  // namespace kaviro
