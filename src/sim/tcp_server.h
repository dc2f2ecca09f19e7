#pragma once
#include <memory>
#include <optional>
#include <string>

#include "sim/event_loop.h"
#include "sim/network_framer.h"
#include "sim/output_queue.h"
#include "sim/station.h"
#include "sim/traffic_log.h"

namespace kaviro::sim {

struct TcpOptions {
  std::string bind = "127.0.0.1";
  int port = 1502;     // 0: any free port
  int closeAfter = 0;  // > 0: close a connection after that many answers
};

// The network side: Modbus over TCP, one client at a time; later clients wait in the backlog
// and are served once the current one has gone.
class TcpServer final : public Endpoint {
 public:
  // A request begun but not finished within this time means the client is gone or broken.
  static constexpr int64_t kPartialTimeoutUs = 2'000'000;
  // A client that asks on and on without reading its answers is let go past this backlog.
  static constexpr size_t kMaxUnsentBytes = 1 << 20;

  static std::unique_ptr<TcpServer> Listen(const TcpOptions& options, Station& station, TrafficLog& log,
                                           std::string& error);
  ~TcpServer() override;
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  int Port() const { return port_; }

  void Watch(std::vector<pollfd>& fds, int64_t nowUs) override;
  void Serve(std::span<const pollfd> fds, int64_t nowUs) override;
  std::optional<int64_t> WakeUs() const override;

 private:
  struct Client {
    int fd = -1;
    NetworkFramer framer;
    OutputQueue out;
    int answers = 0;
    bool closing = false;  // the answer limit is reached: close once it is out
    bool writeBlocked = false;
    int64_t partialSinceUs = 0;
  };

  TcpServer(const TcpOptions& options, Station& station, TrafficLog& log);
  void Accept(int64_t nowUs);
  void Receive(int64_t nowUs);
  void Answer(const NetworkRequest& request, int64_t nowUs);
  void Transmit(int64_t nowUs);
  void Drop(const char* why);

  TcpOptions options_;
  Station& station_;
  TrafficLog& log_;
  int listen_ = -1;
  int port_ = 0;
  std::optional<Client> client_;
};

}  // namespace kaviro::sim
