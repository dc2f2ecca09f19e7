#include "sim/wall_clock.h"

#include <chrono>
#include <ctime>

namespace kaviro::sim {

int64_t SystemWallClock::NowMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int64_t SecondsSince2000Local(int64_t unixSeconds) {
  std::tm base{};
  base.tm_year = 100;
  base.tm_mon = 0;
  base.tm_mday = 1;
  base.tm_isdst = -1;
  return unixSeconds - static_cast<int64_t>(std::mktime(&base));
}

}  // namespace kaviro::sim
