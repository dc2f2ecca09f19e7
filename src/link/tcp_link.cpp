#include "link/tcp_link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kaviro {

int ControllerTcpPort() {
  if (const char* p = std::getenv("KAVIRO_TCP_PORT"); p && *p) {
    const int port = std::atoi(p);
    if (port > 0 && port < 65536) return port;
  }
  return 502;
}

TcpLink::TcpLink(EventHandler handler) : handler_(std::move(handler)) {}

TcpLink::~TcpLink() { Close(); }

bool TcpLink::Create() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  connecting_ = false;
  closeReported_ = false;
  pendingError_ = 0;
  return fd_ >= 0;
}

bool TcpLink::Connect(const std::string& host, int port) {
  if (host.empty() || !Create()) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
      Close();
      return false;
    }
    addr.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
  }
  std::lock_guard lock(mutex_);
  if (fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK) != 0) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  const int one = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  const int rc = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  // Like the asynchronous connect it stands for, the outcome always comes as an event.
  connecting_ = true;
  pendingError_ = rc == 0 || errno == EINPROGRESS || errno == EINTR ? 0 : errno;
  return true;
}

int TcpLink::Send(std::span<const uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return -1;
  if (bytes.empty()) return 0;
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, 500) <= 0) break;
    } else {
      break;
    }
  }
  return static_cast<int>(sent);
}

int TcpLink::Receive(std::span<uint8_t> out) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return -1;
  if (out.empty()) return 0;
  for (;;) {
    const ssize_t n = ::recv(fd_, out.data(), out.size(), MSG_DONTWAIT);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? kWouldBlock : -1;
  }
}

void TcpLink::Close() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  connecting_ = false;
}

int TcpLink::PeerName(std::string& ip, int& portNetworkOrder) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return -1;
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (getpeername(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return -1;
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
  ip = text;
  portNetworkOrder = addr.sin_port;
  return 0;
}

int TcpLink::Descriptor() const {
  std::lock_guard lock(mutex_);
  return fd_;
}

bool TcpLink::Connecting() const {
  std::lock_guard lock(mutex_);
  return connecting_;
}

void TcpLink::DispatchReady(bool readable, bool writable) {
  int event = 0;
  int error = 0;
  {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    if (connecting_ && (writable || readable)) {
      socklen_t len = sizeof error;
      getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len);
      if (error == 0) error = pendingError_;
      connecting_ = false;
      event = kSocketConnect;
    } else if (readable && !closeReported_) {
      uint8_t probe = 0;
      const ssize_t n = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
      if (n > 0) {
        event = kSocketRead;
      } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        event = kSocketClose;
        closeReported_ = true;
      }
    }
  }
  if (event && handler_) handler_(event, error);
}

void TcpLink::PumpEvents(int timeoutMs) {
  const int fd = Descriptor();
  if (fd < 0) return;
  pollfd p{fd, static_cast<short>(POLLIN | (Connecting() ? POLLOUT : 0)), 0};
  if (::poll(&p, 1, timeoutMs) <= 0) return;
  DispatchReady((p.revents & (POLLIN | POLLHUP | POLLERR)) != 0, (p.revents & (POLLOUT | POLLERR)) != 0);
}

}  // namespace kaviro
