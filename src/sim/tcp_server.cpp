#include "sim/tcp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kaviro::sim {

TcpServer::TcpServer(const TcpOptions& options, Station& station, TrafficLog& log)
    : options_(options), station_(station), log_(log) {}

std::unique_ptr<TcpServer> TcpServer::Listen(const TcpOptions& options, Station& station, TrafficLog& log,
                                             std::string& error) {
  std::unique_ptr<TcpServer> server(new TcpServer(options, station, log));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(options.port));
  if (inet_pton(AF_INET, options.bind.c_str(), &addr.sin_addr) != 1) {
    error = "not an IPv4 address: " + options.bind;
    return nullptr;
  }
  server->listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int one = 1;
  if (server->listen_ < 0 || setsockopt(server->listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      ::bind(server->listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(server->listen_, 8) != 0) {
    error = "cannot listen on " + options.bind + ":" + std::to_string(options.port) + ": " + std::strerror(errno);
    return nullptr;
  }
  socklen_t len = sizeof addr;
  getsockname(server->listen_, reinterpret_cast<sockaddr*>(&addr), &len);
  server->port_ = ntohs(addr.sin_port);
  return server;
}

TcpServer::~TcpServer() {
  if (client_) ::close(client_->fd);
  if (listen_ >= 0) ::close(listen_);
}

void TcpServer::Watch(std::vector<pollfd>& fds, int64_t) {
  // While a client is served the listening socket is left alone: newcomers queue in the backlog.
  if (!client_) {
    fds.push_back({listen_, POLLIN, 0});
    return;
  }
  fds.push_back({client_->fd, static_cast<short>((client_->closing ? 0 : POLLIN) | (client_->writeBlocked ? POLLOUT : 0)), 0});
}

std::optional<int64_t> TcpServer::WakeUs() const {
  if (!client_) return std::nullopt;
  std::optional<int64_t> wake = client_->writeBlocked ? std::nullopt : client_->out.WakeUs();
  if (client_->partialSinceUs) {
    const int64_t giveUp = client_->partialSinceUs + kPartialTimeoutUs;
    if (!wake || giveUp < *wake) wake = giveUp;
  }
  return wake;
}

void TcpServer::Serve(std::span<const pollfd> fds, int64_t nowUs) {
  if (!client_) {
    if (!fds.empty() && (fds[0].revents & POLLIN)) Accept(nowUs);
    return;
  }
  if (!fds.empty()) {
    const short ev = fds[0].revents;
    if (ev & POLLOUT) client_->writeBlocked = false;
    if (ev & (POLLIN | POLLHUP | POLLERR)) Receive(nowUs);
  }
  if (client_ && client_->partialSinceUs && nowUs - client_->partialSinceUs >= kPartialTimeoutUs)
    Drop("request left unfinished");
  if (client_) Transmit(nowUs);
}

void TcpServer::Accept(int64_t) {
  const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  client_.emplace();
  client_->fd = fd;
  log_.Note("tcp", "client connected");
}

void TcpServer::Drop(const char* why) {
  log_.Note("tcp", std::string("client closed: ") + why);
  ::close(client_->fd);
  client_.reset();
}

void TcpServer::Receive(int64_t nowUs) {
  uint8_t buffer[2048];
  for (;;) {
    const ssize_t n = ::recv(client_->fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n == 0) return Drop("peer left");
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      return Drop(std::strerror(errno));
    }
    client_->framer.Feed(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
    while (client_ && !client_->closing) {
      auto request = client_->framer.Next();
      if (!request) break;
      Answer(*request, nowUs);
    }
    if (client_->out.PendingBytes() > kMaxUnsentBytes) return Drop("answers not read");
    if (client_->framer.Broken()) return Drop("impossible length field");
  }
  if (!client_->framer.HasPartial()) client_->partialSinceUs = 0;
  else if (!client_->partialSinceUs) client_->partialSinceUs = nowUs;
}

void TcpServer::Answer(const NetworkRequest& request, int64_t nowUs) {
  if (log_.enabled()) log_.Bytes("tcp", "<-", NetworkAnswer(request, request.pdu));
  auto reply = station_.AnswerNetwork(request.protocol, request.unit, request.pdu);
  if (!reply) return;
  FaultInjector& faults = *reply->faults;
  auto wire = faults.Spoil(NetworkAnswer(request, reply->bytes), AnswerForm::kNetwork);
  if (!wire) {
    log_.Note("tcp", "answer withheld", reply->from);
    return;
  }
  log_.Bytes("tcp", "->", *wire, reply->from);
  for (const char* spoil : faults.LastSpoils()) log_.Note("tcp", std::string("answer spoilt: ") + spoil, reply->from);
  int64_t due = std::max(nowUs, client_->out.LastDueUs());
  for (FaultInjector::Piece& piece : faults.Schedule(std::move(*wire))) {
    due += static_cast<int64_t>(piece.afterMs) * 1000;
    client_->out.Push(std::move(piece.bytes), due);
  }
  if (options_.closeAfter > 0 && ++client_->answers >= options_.closeAfter) client_->closing = true;
  if (faults.Closes()) client_->closing = true;
}

void TcpServer::Transmit(int64_t nowUs) {
  while (client_ && !client_->writeBlocked) {
    const std::span<const uint8_t> ready = client_->out.Ready(nowUs);
    if (ready.empty()) break;
    const ssize_t n = ::send(client_->fd, ready.data(), ready.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      client_->out.Consumed(static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      client_->writeBlocked = true;
    } else {
      return Drop(std::strerror(errno));
    }
  }
  if (client_ && client_->closing && client_->out.Empty()) Drop("answer limit reached");
}

}  // namespace kaviro::sim
