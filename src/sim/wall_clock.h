#pragma once
#include <cstdint>

namespace kaviro::sim {

// The simulated controller's sense of calendar time. The real one follows the host clock; tests
// move a manual one so the controller's evolution can be checked without waiting.
class WallClock {
 public:
  virtual ~WallClock() = default;
  // Milliseconds since 1970-01-01 00:00:00 UTC.
  virtual int64_t NowMs() const = 0;
};

class SystemWallClock final : public WallClock {
 public:
  int64_t NowMs() const override;
};

class ManualWallClock final : public WallClock {
 public:
  explicit ManualWallClock(int64_t startMs) : nowMs_(startMs) {}
  int64_t NowMs() const override { return nowMs_; }
  void AdvanceMs(int64_t ms) { nowMs_ += ms; }
  void SetMs(int64_t ms) { nowMs_ = ms; }

 private:
  int64_t nowMs_;
};

// Seconds from 2000-01-01 00:00:00 local time to `unixSeconds`: the controller's clock format.
// Daylight saving is left to the local-time conversion, as on the PC that reads the clock.
int64_t SecondsSince2000Local(int64_t unixSeconds);

}  // namespace kaviro::sim
