// A full poll against the simulator paced at the real 9600 8N2 rate, next to its wire-time
// floor; and the GUI idling on a 3 s poll: its CPU share and resident memory.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "config/app_config.h"
#include "monitor/poll_worker.h"
#include "sim/sim_process.h"

namespace {

using namespace kaviro;

struct Quiet final : PollObserver {
  void OnBlockDecoded(const DecodedTexts&) override {}
  void OnStatusText(const std::string&) override {}
  void OnMessage(const std::string&) override {}
  void OnConnectionLost() override {}
};

// Bytes on the wire for one poll: three 8-byte requests and answers of 185, 59 and 161 bytes,
// 11 bits each at 9600 baud; and the 100 ms the poll waits between its two holding reads.
constexpr double kWireBytes = 3 * 8 + 185 + 59 + 161;
constexpr double kFloorSeconds = kWireBytes * 11 / 9600 + 0.100;

void BM_FullPollPacedSerial(benchmark::State& state) {
  testing::SimProcess sim;
  const std::string tty = testing::SimProcess::UniquePath("bench");
  if (!sim.Start(KAVIRO_SIM_PATH, {"--pty", tty, "--pace"})) {
    state.SkipWithError("kaviro-sim did not start");
    return;
  }
  LinkService link;
  link.EnsureSerialOpenPath(tty);
  SharedConfig config;
  DecodedValues values{};
  Quiet quiet;
  PollWorker worker(link, config, values, quiet);
  worker.SetEnabled(true);
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (worker.PollOnce() != PollResult::kSucceeded) state.SkipWithError("poll failed");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    total += seconds;
  }
  state.counters["floor_s"] = kFloorSeconds;
  state.counters["poll_over_floor"] = total / static_cast<double>(state.iterations()) / kFloorSeconds;
}
BENCHMARK(BM_FullPollPacedSerial)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

#ifdef KAVIRO_GUI_PATH
// CPU ticks (user + system) of a process.
long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string f;
  long utime = 0, stime = 0;
  for (int i = 3; fields >> f; ++i) {
    if (i == 14) utime = std::stol(f);
    if (i == 15) {
      stime = std::stol(f);
      break;
    }
  }
  return utime + stime;
}

long ResidentKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

void BM_GuiIdlePolling(benchmark::State& state) {
  testing::SimProcess sim;
  const std::string tty = testing::SimProcess::UniquePath("gui-bench");
  if (!sim.Start(KAVIRO_SIM_PATH, {"--pty", tty})) {
    state.SkipWithError("kaviro-sim did not start");
    return;
  }
  const std::filesystem::path dir = tty + "-dir";
  std::filesystem::create_directories(dir);
  SaveConfig(dir / "config.txt", AppConfig::Defaults());  // serial, COM2, every 3 s
  for (auto _ : state) {
    const pid_t gui = fork();
    if (gui == 0) {
      std::filesystem::current_path(dir);
      setenv("KAVIRO_COM2", tty.c_str(), 1);
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      execl(KAVIRO_GUI_PATH, KAVIRO_GUI_PATH, static_cast<char*>(nullptr));
      _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));  // start-up is not idling
    const long before = CpuTicks(gui);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(15));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long ticks = CpuTicks(gui) - before;
    state.counters["cpu_percent"] = 100.0 * static_cast<double>(ticks) / sysconf(_SC_CLK_TCK) / seconds;
    state.counters["rss_kb"] = static_cast<double>(ResidentKb(gui));
    kill(gui, SIGTERM);
    waitpid(gui, nullptr, 0);
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_GuiIdlePolling)->Iterations(1)->Unit(benchmark::kSecond);
#endif

}  // namespace
