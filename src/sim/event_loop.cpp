#include "sim/event_loop.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>

namespace kaviro::sim {

namespace {
// Without a signal mask a stop request is only seen when the wait ends.
constexpr int64_t kLongestWaitUs = 100'000;
}  // namespace

int64_t MonotonicUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void RunEventLoop(std::span<Endpoint* const> endpoints, const std::atomic<bool>& stop, const sigset_t* waitMask) {
  std::vector<pollfd> fds;
  std::vector<size_t> firsts(endpoints.size() + 1);
  while (!stop.load()) {
    int64_t now = MonotonicUs();
    fds.clear();
    int64_t wake = now + kLongestWaitUs;
    for (size_t i = 0; i < endpoints.size(); ++i) {
      firsts[i] = fds.size();
      endpoints[i]->Watch(fds, now);
      if (auto w = endpoints[i]->WakeUs()) wake = std::min(wake, *w);
    }
    firsts[endpoints.size()] = fds.size();
    const int64_t waitUs = std::max<int64_t>(0, wake - now);
    timespec timeout{static_cast<time_t>(waitUs / 1'000'000), static_cast<long>(waitUs % 1'000'000 * 1000)};
    const int rc = ::ppoll(fds.data(), fds.size(), &timeout, waitMask);
    if (rc < 0 && errno != EINTR) break;
    if (rc < 0) {
      for (pollfd& p : fds) p.revents = 0;
      if (stop.load()) break;
    }
    now = MonotonicUs();
    for (size_t i = 0; i < endpoints.size(); ++i)
      endpoints[i]->Serve(std::span<const pollfd>(fds).subspan(firsts[i], firsts[i + 1] - firsts[i]), now);
  }
}

}  // namespace kaviro::sim
