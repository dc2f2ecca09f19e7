// Answer latency of the simulator for the poll's 90-register read on loopback TCP.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/network_frame.h"
#include "link/rtu_frame.h"
#include "sim/controller.h"
#include "sim/event_loop.h"
#include "sim/fault_injector.h"
#include "sim/relay_accessory.h"
#include "sim/station.h"
#include "sim/tcp_server.h"
#include "sim/traffic_log.h"
#include "sim/wall_clock.h"

namespace {

using namespace kaviro;
using namespace kaviro::sim;

// The simulator's TCP side served on its own thread, as the binary serves it.
class InProcessSim {
 public:
  InProcessSim() : controller_({1, 1, 30}, clock_), faults_({}, 1), station_({{controller_, faults_, ""}}, relay_), log_(false) {
    std::string error;
    server_ = TcpServer::Listen({"127.0.0.1", 0, 0}, station_, log_, error);
    if (server_) thread_ = std::thread([this] {
      Endpoint* endpoints[] = {server_.get()};
      RunEventLoop(endpoints, stop_);
    });
  }
  ~InProcessSim() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int Port() const { return server_ ? server_->Port() : 0; }

 private:
  SystemWallClock clock_;
  Controller controller_;
  FaultInjector faults_;
  RelayAccessory relay_;
  Station station_;
  TrafficLog log_;
  std::unique_ptr<TcpServer> server_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

int Connect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

bool ReadExactly(int fd, uint8_t* out, size_t n) {
  for (size_t got = 0; got < n;) {
    const ssize_t r = ::recv(fd, out + got, n - got, 0);
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
  }
  return true;
}

void BM_SimAnswer90RegistersTcp(benchmark::State& state) {
  InProcessSim sim;
  const int fd = sim.Port() ? Connect(sim.Port()) : -1;
  if (fd < 0) {
    state.SkipWithError("simulator did not start");
    return;
  }
  const RtuFrame read = ReadRegisters(1, fn::kReadInput, 0x0000, 90);
  constexpr size_t kAnswer = kNetworkHeader + 3 + 180;
  uint8_t answer[kAnswer];
  std::vector<double> micros;
  uint16_t tid = 0;
  for (auto _ : state) {
    const std::vector<uint8_t> request = BuildNetworkRequest(tid++, Protocol::kController, read.WithoutCrc());
    const auto start = std::chrono::steady_clock::now();
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()) ||
        !ReadExactly(fd, answer, kAnswer)) {
      state.SkipWithError("exchange failed");
      break;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  ::close(fd);
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}
BENCHMARK(BM_SimAnswer90RegistersTcp)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

}  // namespace
