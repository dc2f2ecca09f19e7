#pragma once
#include <cstdint>
#include <span>

namespace kaviro {

// What an exchange needs of a network connection; TcpLink and the tests' scripted socket provide it.
class NetSocket {
 public:
  static constexpr int kWouldBlock = -2;
  virtual ~NetSocket() = default;
  // Number of bytes sent; -1 when closed.
  virtual int Send(std::span<const uint8_t> bytes) = 0;
  // > 0 bytes, 0 when the peer closed, -1 on error, kWouldBlock when nothing has arrived yet.
  virtual int Receive(std::span<uint8_t> out) = 0;
};

}  // namespace kaviro
