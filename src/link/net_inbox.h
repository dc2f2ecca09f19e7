#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "link/net_socket.h"

namespace kaviro {

// The network receive buffer with the response-arrived flag. Both the socket's read notification
// (GUI thread) and a waiting exchange may receive into it. TCP is a stream, so an answer may come
// in any number of receives: the bytes are gathered until the answer that starts with the awaited
// transaction id holds as many bytes as its length field announces, and whoever completes it
// flags it for the waiter.
class NetInbox {
 public:
  static constexpr size_t kSize = 1024;

  // One receive of up to kSize bytes, then the gathered bytes are matched: bytes that do not
  // start with `transactionId` are dropped. Returns the receive's result.
  int ReceiveFrom(NetSocket& socket, uint16_t transactionId);
  bool Arrived() const { return arrived_.load(); }
  // The flagged answer, header included, as long as its length field says (or cut at kSize).
  std::vector<uint8_t> Answer() const;
  // What came of an answer with `transactionId` that is not whole yet; empty when none began.
  std::vector<uint8_t> Unfinished(uint16_t transactionId) const;
  // Clears the flag and the answer. A whole answer that came behind it stays for the next match;
  // an unfinished one is dropped.
  void Reset();
  // Drops everything received: the connection it came on is gone.
  void Clear();
  // Frames of other transactions stepped over since the last call.
  uint64_t TakeSteppedOver() { return steppedOver_.exchange(0); }

 private:
  void Match(uint16_t transactionId);
  // Drops what is left of a frame being stepped over, as far as it came.
  void Skip();

  mutable std::mutex mutex_;
  std::vector<uint8_t> stream_;  // received, neither taken nor dropped yet
  std::vector<uint8_t> answer_;
  size_t skip_ = 0;  // bytes of a frame being stepped over that have not come yet
  std::atomic<bool> arrived_{false};
  std::atomic<uint64_t> steppedOver_{0};
};

}  // namespace kaviro
