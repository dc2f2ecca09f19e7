// A poll round of N units on one paced 9600 8N2 line next to N times the one-unit floor, and the
// resident memory of a session polling three units over 10,000 rounds.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "cli/poll_session.h"
#include "sim/sim_process.h"

namespace {

using namespace kaviro;

// One unit's poll on the wire: three 8-byte requests, answers of 185, 59 and 161 bytes at 11 bits
// a byte, and the 100 ms pause between the holding reads.
constexpr double kUnitFloorSeconds = (3 * 8 + 185 + 59 + 161) * 11.0 / 9600 + 0.100;
constexpr double kAllowedOverFloor = 1.03;

std::string UnitList(int n) {
  std::string list;
  for (int u = 1; u <= n; ++u) list += (u > 1 ? "," : "") + std::to_string(u);
  return list;
}

std::vector<uint8_t> Units(int n) {
  std::vector<uint8_t> units;
  for (int u = 1; u <= n; ++u) units.push_back(static_cast<uint8_t>(u));
  return units;
}

AppConfig Polling(LinkMode mode) {
  AppConfig config = AppConfig::Defaults();
  config.workMode = static_cast<int>(mode);
  config.pollInterval = 0;
  config.language = 1;
  return config;
}

void BM_UnitRoundPacedSerial(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  testing::SimProcess sim;
  const std::string tty = testing::SimProcess::UniquePath("bench");
  if (!sim.Start(KAVIRO_SIM_PATH, {"--pty", tty, "--pace", "--units", UnitList(n)})) {
    state.SkipWithError("kaviro-sim did not start");
    return;
  }
  cli::PollSession session(*RegisterTableFor(1));
  cli::LinkOverrides overrides;
  overrides.device = tty;
  if (!session.AddLine(Polling(LinkMode::kSerial), overrides, Units(n))) {
    state.SkipWithError("the line did not open");
    return;
  }
  int answered = 0;
  cli::PollSession::Hooks hooks;
  hooks.polled = [&](cli::UnitPoll&) { ++answered; };
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    session.Run(hooks, [] { return false; }, 1, false);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    total += seconds;
  }
  if (answered != n * static_cast<int>(state.iterations())) state.SkipWithError("a unit did not answer");
  const double floor = n * kUnitFloorSeconds;
  state.counters["units"] = n;
  state.counters["floor_s"] = floor;
  state.counters["limit_s"] = kAllowedOverFloor * floor;
  state.counters["round_over_floor"] = total / static_cast<double>(state.iterations()) / floor;
}
BENCHMARK(BM_UnitRoundPacedSerial)->Arg(1)->Arg(3)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);

long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Virtual time that passes as fast as the simulator answers: every sleep takes at most 1 ms, so
// the pauses and checks of 10,000 rounds take minutes, not hours; the loopback answers come in
// well within a 1 ms check.
class HastyClock final : public Clock {
 public:
  void SleepMs(int ms) override {
    std::this_thread::sleep_for(std::chrono::microseconds(std::min(ms, 1) * 1000));
    now_ += static_cast<uint64_t>(ms);
  }
  uint64_t NowMs() override { return now_; }

 private:
  uint64_t now_ = 1000000;
};

void BM_ResidentMemoryOver10000Rounds(benchmark::State& state) {
  testing::SimProcess sim;
  if (!sim.Start(KAVIRO_SIM_PATH, {"--tcp", "0", "--units", "1,2,3"})) {
    state.SkipWithError("kaviro-sim did not start");
    return;
  }
  HastyClock clock;
  cli::PollSession session(*RegisterTableFor(1), clock);
  cli::LinkOverrides overrides;
  overrides.port = sim.tcpPort();
  AppConfig config = Polling(LinkMode::kNetwork);
  config.controllerIp = 0x7F000001;
  if (!session.AddLine(config, overrides, Units(3))) {
    state.SkipWithError("the controller did not take the connection");
    return;
  }
  constexpr int kWarmUp = 500, kRounds = 10000;
  long answered = 0, before = 0, after = 0;
  cli::PollSession::Hooks hooks;
  hooks.polled = [&](cli::UnitPoll&) { ++answered; };
  for (auto _ : state) {
    session.Run(hooks, [] { return false; }, kWarmUp, false);
    before = ResidentKb();
    session.Run(hooks, [] { return false; }, kRounds, false);
    after = ResidentKb();
  }
  if (answered < 3L * (kWarmUp + kRounds) * 99 / 100) state.SkipWithError("units stopped answering");
  state.counters["polls_answered"] = static_cast<double>(answered);
  state.counters["rss_before_kb"] = static_cast<double>(before);
  state.counters["rss_after_kb"] = static_cast<double>(after);
  state.counters["rss_growth_kb"] = static_cast<double>(after - before);
}
BENCHMARK(BM_ResidentMemoryOver10000Rounds)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
