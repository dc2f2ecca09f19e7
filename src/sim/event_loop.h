#pragma once
#include <poll.h>
#include <signal.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kaviro::sim {

// Microseconds on the monotonic clock: the time base of the transports.
int64_t MonotonicUs();

// Something the loop serves: it names the descriptors to watch and when it next needs time.
class Endpoint {
 public:
  virtual ~Endpoint() = default;
  virtual void Watch(std::vector<pollfd>& fds, int64_t nowUs) = 0;
  // `fds` are the entries it added, with their results. Also runs what is due by `nowUs`.
  virtual void Serve(std::span<const pollfd> fds, int64_t nowUs) = 0;
  virtual std::optional<int64_t> WakeUs() const = 0;
};

// Runs until `stop` is set. `waitMask` is the signal mask during the wait, so a signal blocked
// elsewhere can only arrive while the loop sleeps (no lost wake-up).
void RunEventLoop(std::span<Endpoint* const> endpoints, const std::atomic<bool>& stop, const sigset_t* waitMask = nullptr);

}  // namespace kaviro::sim
