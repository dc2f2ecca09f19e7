#pragma once
#include <cstdint>

namespace kaviro {

// Every wait of the tool sleeps through a clock, so tests can run the waits in virtual time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual void SleepMs(int ms) = 0;
  // Monotonic milliseconds, in the role of the system tick count.
  virtual uint64_t NowMs() = 0;
  // Monotonic microseconds for round trips and frame times; a clock with no finer tick gives its
  // milliseconds.
  virtual uint64_t NowUs() { return NowMs() * 1000; }
};

class SystemClock final : public Clock {
 public:
  void SleepMs(int ms) override;
  uint64_t NowMs() override;
  uint64_t NowUs() override;
  static SystemClock& Instance();
};

}  // namespace kaviro
