#pragma once
#include <functional>
#include <mutex>
#include <span>
#include <string>

#include "link/net_socket.h"

namespace kaviro {

// Socket events as the owner receives them (the values of the classic socket notifications).
enum SocketEvent : int { kSocketRead = 1, kSocketConnect = 16, kSocketClose = 32 };

// TCP port of the controller: 502 unless $KAVIRO_TCP_PORT says otherwise.
int ControllerTcpPort();

// A TCP client socket with asynchronous connect. Events reach the owner through `EventHandler`
// when the owner's readiness watcher (a Qt socket notifier, or PumpEvents) calls DispatchReady.
// Safe to use from several threads: the descriptor is guarded, so a close on one thread never
// races a send on another.
class TcpLink : public NetSocket {
 public:
  using EventHandler = std::function<void(int event, int error)>;
  explicit TcpLink(EventHandler handler = {});
  ~TcpLink() override;
  TcpLink(const TcpLink&) = delete;
  TcpLink& operator=(const TcpLink&) = delete;

  bool Create();
  // Dotted address first, then name resolution. Returns at once; the outcome is a connect event.
  bool Connect(const std::string& host, int port);
  // Sends until all bytes are out or a send fails; the number sent. -1 when closed.
  int Send(std::span<const uint8_t> bytes) override;
  // One receive: > 0 bytes, 0 when the peer closed, -1 on error or when closed, kWouldBlock.
  int Receive(std::span<uint8_t> out) override;
  void Close();
  // Peer address as dotted text and the port as stored in the socket address (network order).
  int PeerName(std::string& ip, int& portNetworkOrder);

  int Descriptor() const;
  bool IsOpen() const { return Descriptor() >= 0; }
  // True while a connect is pending: the watcher must also watch for writability.
  bool Connecting() const;

  // Called when the descriptor is ready: turns readiness into connect, read or close events.
  void DispatchReady(bool readable, bool writable);
  // For owners without an event loop: waits up to timeoutMs for readiness and dispatches it.
  void PumpEvents(int timeoutMs);

 private:
  mutable std::mutex mutex_;
  int fd_ = -1;
  bool connecting_ = false;
  bool closeReported_ = false;
  int pendingError_ = 0;  // a connect refused before any event could tell it
  EventHandler handler_;
};

}  // namespace kaviro
