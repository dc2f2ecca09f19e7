#include "cli/poll_session.h"

#include <atomic>
#include <csignal>
#include <ctime>
#include <iostream>

#include "cli/commands.h"
#include "diag/stats_summary.h"

namespace kaviro::cli {

std::string LocalTimestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  return text;
}

void ReportObserver::OnBlockDecoded(const DecodedTexts& texts) {
  ++blocksDecoded;
  PlaceTexts(table, report_, texts);
  if (texts.clock) report_.clock = *texts.clock;
  if (texts.status) report_.status = *texts.status;
}

void ReportObserver::OnStatusText(const std::string& text) {
  report_.status = text;
  std::cerr << text << '\n';
}

void ReportObserver::OnMessage(const std::string& text) { std::cerr << text << '\n'; }

void ReportObserver::OnConnectionLost() {
  report_.Clear();
  lost = true;
}

PollSession::PollSession(const AppConfig& config, const LinkOverrides& overrides, RegisterTable table)
    : config_(config),
      session_(link_, config, overrides),
      shared_(config),
      report_(table),
      observer_(report_),
      worker_(link_, shared_, values_, observer_) {
  observer_.table = table;
}

PollSession::Ending PollSession::Run(const Hooks& hooks, const std::function<bool()>& stop, int count, bool reconnect) {
  report_.status = session_.StatusLine();
  int polls = 0;
  bool lastFailed = false;
  const auto pass = [&](std::optional<PollResult> result) {
    if (result) {
      ++polls;
      // The worker does not hold a silent controller on the network against it; here a poll
      // that decoded nothing has nothing to report and counts as failed.
      lastFailed = *result != PollResult::kSucceeded || observer_.blocksDecoded == 0;
      observer_.blocksDecoded = 0;
      if (!lastFailed) {
        report_.timestamp = LocalTimestamp();
        if (hooks.polled) hooks.polled();
      } else if (hooks.quiet) {
        hooks.quiet();
      }
    }
    // Only after the report: the controller may close right after answering a whole poll.
    if (session_.Gone()) {
      if (mode() == LinkMode::kNetwork) std::cerr << kRemoteCloseText << '\n';
      observer_.lost = true;
    }
    if (observer_.lost) return false;
    if (hooks.idle) hooks.idle();
    if (!result) return !stop();
    return !stop() && (count == 0 || polls < count);
  };
  for (;;) {
    worker_.RunLoop(pass);
    const bool finished = stop() || (count != 0 && polls >= count);
    if (!reconnect || finished || !observer_.lost) break;
    std::cerr << kConnectionLostText << '\n';
    if (hooks.lost) hooks.lost();
    const bool reopened = session_.Reopen([&] {
      if (hooks.idle) hooks.idle();
      return stop();
    });
    if (!reopened) break;
    observer_.lost = false;
    lastFailed = false;
    report_.status = session_.StatusLine();
  }
  return {observer_.lost, lastFailed};
}

namespace {
std::atomic<bool> stopSignalled{false};
}  // namespace

StopOnSignals::StopOnSignals() {
  stopSignalled.store(false);
  std::signal(SIGINT, [](int) { stopSignalled.store(true); });
  std::signal(SIGTERM, [](int) { stopSignalled.store(true); });
}

StopOnSignals::~StopOnSignals() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool StopOnSignals::Requested() const { return stopSignalled.load(); }

void ReportStats(const LinkService& link, bool json) {
  const LinkStatsSnapshot stats = link.StatsNow();
  if (json) std::cerr << diag::StatsJson(stats).dump() << '\n';
  else std::cerr << diag::StatsText(stats);
}

std::unique_ptr<PollSession> OpenPollSession(const char* verb, const AppConfig& config, const LinkOverrides& overrides,
                                             int& failed) {
  const std::optional<RegisterTable> table = RegisterTableFor(config.language);
  if (!table) {
    std::cerr << "kaviro-cli " << verb << ": no register table for language " << config.language << '\n';
    failed = kExitUsage;
    return nullptr;
  }
  auto session = std::make_unique<PollSession>(config, overrides, *table);
  if (!session->Open()) {
    std::cerr << session->Error() << '\n';
    failed = kExitNoLink;
    return nullptr;
  }
  return session;
}

}  // namespace kaviro::cli
