#include "cli/poll_session.h"

#include "monitor/time_texts.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/open_link.h"
#include "cli/verb.h"
#include "diag/stats_summary.h"
#include "link/text_format.h"
#include "monitor/time_texts.h"

namespace kaviro::cli {

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

namespace {

// The link as the device identity names it: "network_192.168.1.199", "serial_ttyUSB0", "wireless_com3".
std::string LinkWhere(const AppConfig& config, const LinkOverrides& overrides) {
  const LinkMode mode = LinkModeOf(config.workMode);
  if (mode == LinkMode::kNetwork) return std::string("network_") + IpText(config.controllerIp);
  const std::string device =
      overrides.device ? std::filesystem::path(*overrides.device).filename().string() : Format("com%d", config.comPort);
  return std::string(LinkName(mode)) + "_" + device;
}

// The link as its user names it: the controller's address, the device path or the COM port.
std::string LinkHost(const AppConfig& config, const LinkOverrides& overrides) {
  if (LinkModeOf(config.workMode) == LinkMode::kNetwork)
    return IpText(config.controllerIp) + (overrides.port ? Format(":%d", *overrides.port) : std::string());
  return overrides.device ? *overrides.device : Format("COM%d", config.comPort);
}

}  // namespace

UnitPoll::UnitPoll(LinkService& link, const AppConfig& config, RegisterTable table, size_t index, std::string where,
                   std::string host)
    : link_(link),
      config_(config),
      shared_(config),
      report_(table),
      observer_(report_),
      worker_(link_, shared_, values_, observer_),
      index_(index),
      where_(std::move(where)),
      host_(std::move(host)) {
  observer_.table = table;
  worker_.SetEnabled(true);  // polled one poll at a time by the session, never by the worker's own loop
}

struct PollSession::Line {
  Line(const AppConfig& c, const LinkOverrides& overrides, Clock& clock)
      : config(c), link(clock), session(link, c, overrides) {}
  AppConfig config;
  LinkService link;
  ControllerSession session;
  std::vector<std::unique_ptr<UnitPoll>> units;  // after the link they poll on
};

PollSession::PollSession(RegisterTable table, Clock& clock) : table_(table), clock_(clock) {}
PollSession::~PollSession() = default;

bool PollSession::AddLine(const AppConfig& config, const LinkOverrides& overrides, const std::vector<uint8_t>& units) {
  auto line = std::make_unique<Line>(config, overrides, clock_);
  if (!line->session.Open()) {
    error_ = line->session.Error();
    return false;
  }
  size_t index = UnitCount();
  for (const uint8_t unit : units.empty() ? std::vector<uint8_t>{static_cast<uint8_t>(config.deviceId)} : units) {
    AppConfig own = config;
    own.deviceId = unit;
    line->units.push_back(std::make_unique<UnitPoll>(line->link, own, table_, index++, LinkWhere(config, overrides),
                                                     LinkHost(config, overrides)));
  }
  lines_.push_back(std::move(line));
  return true;
}

std::vector<UnitPoll*> PollSession::units() {
  std::vector<UnitPoll*> all;
  for (const auto& line : lines_)
    for (const auto& unit : line->units) all.push_back(unit.get());
  return all;
}

size_t PollSession::UnitCount() const {
  size_t n = 0;
  for (const auto& line : lines_) n += line->units.size();
  return n;
}

void PollSession::Say(const Line& line, const char* text) const {
  if (UnitCount() > 1) std::cerr << line.units.front()->host() << ": ";
  std::cerr << text << '\n';
}

bool PollSession::PollLine(Line& line, const Hooks& hooks, const std::function<bool()>& stop, bool& failed) {
  for (const auto& owned : line.units) {
    UnitPoll& u = *owned;
    const PollResult result = u.worker_.PollOnce();
    // The worker does not hold a silent controller on the network against it; here a poll that
    // decoded nothing has nothing to report and counts as failed.
    const bool quiet = result != PollResult::kSucceeded || u.observer_.blocksDecoded == 0;
    u.observer_.blocksDecoded = 0;
    failed = failed || quiet;
    if (!quiet) {
      u.report_.timestamp = LocalTimestamp(std::time(nullptr));
      u.lost_ = u.observer_.lost = false;  // back after it was declared lost
      if (hooks.polled) hooks.polled(u);
    } else if (hooks.quiet) {
      hooks.quiet(u);
    }
    if (u.observer_.lost && !u.lost_ && UnitCount() > 1) {
      u.lost_ = true;
      std::cerr << Format("%s unit %d: ", u.host().c_str(), u.unit()) << kConnectionLostText << '\n';
      if (hooks.lost) hooks.lost(u);
    }
    // Only after the report: the controller may close right after answering a whole poll.
    if (line.session.Gone()) return false;
    if (hooks.idle) hooks.idle();  // between polls: commands go to their units here
    if (stop()) return false;
  }
  return true;
}

bool PollSession::LineLost(Line& line) {
  if (line.session.Gone()) {
    if (line.config.workMode == static_cast<int>(LinkMode::kNetwork)) Say(line, kRemoteCloseText);
    return true;
  }
  return std::all_of(line.units.begin(), line.units.end(), [](const auto& u) { return u->observer_.lost; });
}

PollSession::Ending PollSession::Run(const Hooks& hooks, const std::function<bool()>& stop, int count, bool reconnect) {
  for (const auto& line : lines_)
    for (const auto& u : line->units) u->report_.status = line->session.StatusLine();
  Clock& clock = lines_.front()->link.clock();
  const bool lone = UnitCount() == 1;
  const auto now = [&] { return static_cast<uint32_t>(clock.NowMs()); };
  // 32-bit tick arithmetic, as the worker's own loop.
  const uint32_t intervalMs = static_cast<uint32_t>(lines_.front()->config.pollInterval) * 1000u;
  uint32_t last = now() - intervalMs;
  int rounds = 0;
  Ending ending;
  for (;;) {
    if (now() - last >= intervalMs) {
      const uint32_t start = now();
      bool failed = false, polled = false;
      for (const auto& line : lines_) {
        if (line->session.Down()) continue;
        polled = true;
        if (!PollLine(*line, hooks, stop, failed) && stop()) break;
      }
      if (polled) {
        ++rounds;
        ending.lastFailed = failed;
        last = lone ? now() : start;
      }
    }
    for (const auto& line : lines_) {
      if (line->session.Down()) {
        if (line->session.Retry())
          for (const auto& u : line->units) {
            u->lost_ = u->observer_.lost = false;
            u->report_.status = line->session.StatusLine();
          }
        continue;
      }
      if (!LineLost(*line)) continue;
      if (!reconnect) {
        ending.lost = true;
        return ending;
      }
      Say(*line, kConnectionLostText);
      for (const auto& u : line->units)
        if (!u->lost_ && hooks.lost) hooks.lost(*u);
      line->session.Lose();
    }
    if (hooks.idle) hooks.idle();
    if (stop() || (count != 0 && rounds >= count)) break;
    clock.SleepMs(10);
  }
  return ending;
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

void ReportStats(PollSession& session, bool json) {
  const bool several = session.LineCount() > 1;
  std::vector<const LinkService*> reported;
  for (UnitPoll* unit : session.units()) {
    const LinkService& link = unit->link();
    if (std::ranges::find(reported, &link) != reported.end()) continue;
    reported.push_back(&link);
    const LinkStatsSnapshot stats = link.StatsNow();
    if (json) {
      nlohmann::ordered_json object = diag::StatsJson(stats);
      if (several) object["host"] = unit->host();
      std::cerr << object.dump() << '\n';
    } else {
      if (several) std::cerr << unit->host() << ":\n";
      std::cerr << diag::StatsText(stats);
    }
  }
}

std::unique_ptr<PollSession> OpenPollSession(const char* verb, const Verb& options, int& failed) {
  const AppConfig config = options.Config();
  const std::optional<RegisterTable> table = RegisterTableFor(config.language);
  if (!table) {
    std::cerr << "kaviro-cli " << verb << ": no register table for language " << config.language << '\n';
    failed = kExitUsage;
    return nullptr;
  }
  const std::optional<std::vector<LinkTarget>> targets = options.Targets();
  if (!targets) {
    failed = kExitUsage;
    return nullptr;
  }
  auto session = std::make_unique<PollSession>(*table);
  for (const LinkTarget& target : *targets) {
    if (!session->AddLine(options.ConfigFor(target.link), target.link, target.units)) {
      std::cerr << session->Error() << '\n';
      failed = kExitNoLink;
      return nullptr;
    }
  }
  return session;
}

}  // namespace kaviro::cli
