#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "link/net_socket.h"

namespace kaviro {

// The network receive buffer with its count and the response-arrived flag. Both the socket's
// read notification (GUI thread) and a waiting exchange may receive into it; whoever receives
// the answer that carries the awaited transaction id flags it for the waiter.
class NetInbox {
 public:
  static constexpr size_t kSize = 1024;

  // One receive of up to kSize bytes. An answer whose first two bytes are `transactionId` is kept
  // and flagged; other bytes are dropped. Returns the receive's result.
  int ReceiveFrom(NetSocket& socket, uint16_t transactionId);
  bool Arrived() const { return arrived_.load(); }
  // The flagged answer, whole as received (header included).
  std::vector<uint8_t> Answer() const;
  // Clears the flag and the count.
  void Reset();

 private:
  mutable std::mutex mutex_;
  std::array<uint8_t, kSize> bytes_{};
  size_t count_ = 0;
  std::atomic<bool> arrived_{false};
};

}  // namespace kaviro
