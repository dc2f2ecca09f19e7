// kaviro-sim: simulated KAVIRO charge controllers on a pseudo-terminal and/or TCP.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "sim/controller.h"
#include "sim/event_loop.h"
#include "sim/fault_injector.h"
#include "sim/pty_server.h"
#include "sim/relay_accessory.h"
#include "sim/sim_options.h"
#include "sim/station.h"
#include "sim/tcp_server.h"
#include "sim/traffic_log.h"
#include "sim/unit_plan.h"
#include "sim/wall_clock.h"

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<bool> silenced{false};

void RequestStop(int) { stopRequested.store(true); }
void ToggleSilence(int) { silenced.store(!silenced.load()); }

// SIGINT and SIGTERM stay blocked except while the loop waits, so none slips in between a check
// of the flag and the wait. Returns the mask to wait with.
sigset_t InstallSignals() {
  struct sigaction action{};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  struct sigaction toggle{};
  toggle.sa_handler = ToggleSilence;
  sigemptyset(&toggle.sa_mask);
  sigaction(SIGUSR1, &toggle, nullptr);
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  sigset_t waitMask;
  sigprocmask(SIG_BLOCK, &stops, &waitMask);
  sigdelset(&waitMask, SIGINT);
  sigdelset(&waitMask, SIGTERM);
  return waitMask;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kaviro::sim;
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ParsedOptions parsed = ParseSimOptions(args);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "kaviro-sim: %s\n(try --help)\n", parsed.error.c_str());
    return 2;
  }
  const SimOptions& options = parsed.options;
  if (options.help) {
    std::fputs(SimUsage().c_str(), stdout);
    return 0;
  }

  const sigset_t waitMask = InstallSignals();
  SystemWallClock clock;
  Units units(PlanUnits(options), clock, &silenced);
  RelayAccessory relay;
  Station station(units.OnTheLine(), relay);
  TrafficLog log(options.verbose);

  std::string error;
  std::unique_ptr<PtyServer> pty;
  std::unique_ptr<TcpServer> tcp;
  std::vector<Endpoint*> endpoints;
  std::string ready = "kaviro-sim: serving";
  if (options.ptyPath) {
    pty = PtyServer::Open({*options.ptyPath, options.wireless, options.pace}, station, log, error);
    if (!pty) {
      std::fprintf(stderr, "kaviro-sim: %s\n", error.c_str());
      return 1;
    }
    endpoints.push_back(pty.get());
    ready += " pty " + *options.ptyPath + " (" + pty->SlavePath() + ", " + (options.wireless ? "wireless" : "serial") + ")";
  }
  if (options.tcpPort) {
    tcp = TcpServer::Listen({options.bind, *options.tcpPort, options.closeAfter}, station, log, error);
    if (!tcp) {
      std::fprintf(stderr, "kaviro-sim: %s\n", error.c_str());
      return 1;
    }
    endpoints.push_back(tcp.get());
    ready += " tcp " + options.bind + ":" + std::to_string(tcp->Port());
  }
  const std::vector<uint8_t> served = ServedUnits(options);
  ready += served.size() == 1 ? " unit " : " units ";
  for (size_t i = 0; i < served.size(); ++i) ready += (i ? "," : "") + std::to_string(served[i]);
  std::printf("%s\n", ready.c_str());
  std::fflush(stdout);

  RunEventLoop(endpoints, stopRequested, &waitMask);
  return 0;
}
