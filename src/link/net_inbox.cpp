#include "link/net_inbox.h"

#include <algorithm>
#include <array>

#include "link/network_frame.h"

namespace kaviro {

namespace {

// Room for a whole answer waiting behind the one being taken.
constexpr size_t kStreamCapacity = 2 * NetInbox::kSize;
// A frame of another transaction that is stepped over must fit the buffer.
constexpr uint16_t kMaxFrameLength = NetInbox::kSize - kNetworkHeader;

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

void NetInbox::Skip() {
  const size_t now = std::min(skip_, stream_.size());
  stream_.erase(stream_.begin(), stream_.begin() + static_cast<std::ptrdiff_t>(now));
  skip_ -= now;
}

void NetInbox::Match(uint16_t transactionId) {
  Skip();
  while (!arrived_.load() && stream_.size() >= 2) {
    const auto length = NetworkLength(stream_);
    if (!MatchesTransaction(stream_, transactionId)) {
      if (!length) return;  // a header not whole yet: it may still be a frame to step over
      // Another transaction's frame (a late answer, a second answer) is stepped over as a whole,
      // so that an answer right behind it is still found; bytes that are no frame at all are
      // dropped, as nothing behind them can be told apart.
      if (!LooksLikeFrame(stream_) || *length > kMaxFrameLength) {
        stream_.clear();
        return;
      }
      skip_ = kNetworkHeader + *length;
      steppedOver_.fetch_add(1, std::memory_order_relaxed);
      Skip();
      continue;
    }
    if (!length) return;
    const size_t whole = kNetworkHeader + *length;
    if (whole <= kSize && stream_.size() < whole) return;  // the rest is still on its way
    // An answer longer than the buffer can never be held: it is taken as far as it came (and
    // refused when copied); the rest of it is stepped over, also what is still on its way.
    const size_t take = std::min({whole, stream_.size(), kSize});
    answer_.assign(stream_.begin(), stream_.begin() + static_cast<std::ptrdiff_t>(take));
    skip_ = whole;
    Skip();
    arrived_.store(true);
  }
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
  skip_ = 0;
  answer_.clear();
  stream_.clear();
  arrived_.store(false);
}

}  // namespace kaviro
