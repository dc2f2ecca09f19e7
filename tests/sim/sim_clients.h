#pragma once
// Small clients for the simulator's transports: a blocking TCP socket, the pty slave as the tool
// opens it, and mbpoll run as a command.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "link/serial_port.h"

namespace kaviro::testing {

using Bytes = std::vector<uint8_t>;

class TcpClient {
 public:
  explicit TcpClient(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    const int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  ~TcpClient() { Close(); }
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;

  bool connected() const { return connected_; }
  void Send(const Bytes& bytes) { (void)::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Whatever arrives until `quietMs` pass without a byte (or the peer closes).
  Bytes Collect(int quietMs) {
    Bytes out;
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, quietMs) <= 0) return out;
      uint8_t buf[4096];
      const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n <= 0) {
        closedByPeer_ = true;
        return out;
      }
      out.insert(out.end(), buf, buf + n);
    }
  }
  // One whole answer by its length field, or what came before `timeoutMs`.
  Bytes Answer(int timeoutMs = 2000) {
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (out.size() >= 6 && out.size() >= 6u + (out[4] << 8 | out[5])) return out;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      uint8_t buf[4096];
      const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n <= 0) {
        closedByPeer_ = true;
        return out;
      }
      out.insert(out.end(), buf, buf + n);
    }
    return out;
  }
  bool closedByPeer() const { return closedByPeer_; }

 private:
  int fd_ = -1;
  bool connected_ = false;
  bool closedByPeer_ = false;
};

// The pty slave opened the way the tool opens its COM port.
class LineClient {
 public:
  bool Open(const std::string& path) { return port_.OpenPath(path); }
  void Close() { port_.Close(); }
  void Send(const Bytes& bytes) { port_.Write(bytes); }
  Bytes Collect(int quietMs) {
    Bytes out;
    int quiet = 0;
    while (quiet < quietMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const int n = port_.Queued();
      if (n <= 0) {
        quiet += 5;
        continue;
      }
      quiet = 0;
      Bytes chunk(static_cast<size_t>(n));
      chunk.resize(static_cast<size_t>(port_.Read(chunk)));
      out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
  }

 private:
  SerialPort port_;
};

struct CommandResult {
  int status = -1;
  std::string output;
};

inline CommandResult RunCommand(const std::string& command) {
  CommandResult r;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.output.append(buf, n);
  r.status = ::pclose(pipe);
  return r;
}

// mbpoll's "[reference]: value" lines; 16-bit values are printed signed.
inline std::map<int, uint16_t> MbpollValues(const std::string& output) {
  std::map<int, uint16_t> values;
  static const std::regex kLine(R"(\[(\d+)\]:\s+(-?\d+))");
  for (std::sregex_iterator it(output.begin(), output.end(), kLine), end; it != end; ++it)
    values[std::stoi((*it)[1])] = static_cast<uint16_t>(std::stoi((*it)[2]));
  return values;
}

}  // namespace kaviro::testing
