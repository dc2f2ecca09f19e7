#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cli/controller_session.h"
#include "cli/register_report.h"
#include "monitor/poll_worker.h"

namespace kaviro::cli {

constexpr const char* LinkName(LinkMode mode) {
  return mode == LinkMode::kNetwork ? "network" : mode == LinkMode::kWireless ? "wireless" : "serial";
}

// The poll's time stamp: local time, ISO 8601 with the offset.
std::string LocalTimestamp();

// Gathers what the poll would show in the main window; runs on the polling thread.
class ReportObserver final : public PollObserver {
 public:
  explicit ReportObserver(RegisterReport& report) : report_(report) {}
  RegisterTable table;
  bool lost = false;
  int blocksDecoded = 0;  // in the poll under way
  void OnBlockDecoded(const DecodedTexts& texts) override;
  void OnStatusText(const std::string& text) override;
  void OnMessage(const std::string& text) override;
  void OnConnectionLost() override;

 private:
  RegisterReport& report_;
};

// The controller polled as the main window polls it, by a command that runs unattended: the link
// (reopened with backoff after it went away, when asked to), the worker and the report of the
// last poll. Everything here runs on the calling thread.
class PollSession {
 public:
  PollSession(const AppConfig& config, const LinkOverrides& overrides, RegisterTable table);

  bool Open() { return session_.Open(); }
  const std::string& Error() const { return session_.Error(); }

  struct Hooks {
    std::function<void()> polled;  // a poll decoded something: report() holds it
    std::function<void()> quiet;   // a poll ran and decoded nothing
    std::function<void()> lost;    // the connection was declared lost; reopening follows
    std::function<void()> idle;    // every pass between polls, and while the link is reopened
  };
  struct Ending {
    bool lost = false;        // the connection was lost and not reopened
    bool lastFailed = false;  // the last poll decoded nothing
  };
  // Polls until `stop` holds or `count` polls ran (0: no limit). Without `reconnect` a lost
  // connection ends the run.
  Ending Run(const Hooks& hooks, const std::function<bool()>& stop, int count, bool reconnect);

  RegisterReport& report() { return report_; }
  LinkService& link() { return link_; }
  DecodedValues& values() { return values_; }
  const AppConfig& config() const { return config_; }
  LinkMode mode() const { return LinkModeOf(config_.workMode); }
  uint8_t unit() const { return static_cast<uint8_t>(config_.deviceId); }

 private:
  AppConfig config_;
  LinkService link_;
  ControllerSession session_;
  SharedConfig shared_;
  DecodedValues values_{};
  RegisterReport report_;
  ReportObserver observer_;
  PollWorker worker_;
};

// While it lives, SIGINT and SIGTERM ask a polling verb to stop after the poll under way.
class StopOnSignals {
 public:
  StopOnSignals();
  ~StopOnSignals();
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;
  bool Requested() const;
};

// --stats: the link's counters on stderr, as "key: value" lines or as one JSON object.
void ReportStats(const LinkService& link, bool json);

// A polling verb's start: the configured language's register table and the link opened. On failure
// the reason is on stderr and `failed` holds the exit status.
std::unique_ptr<PollSession> OpenPollSession(const char* verb, const AppConfig& config, const LinkOverrides& overrides,
                                             int& failed);

}  // namespace kaviro::cli
