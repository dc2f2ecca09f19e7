#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/controller_session.h"
#include "cli/link_targets.h"
#include "cli/register_report.h"
#include "monitor/poll_worker.h"

namespace kaviro::cli {

constexpr const char* LinkName(LinkMode mode) {
  return mode == LinkMode::kNetwork ? "network" : mode == LinkMode::kWireless ? "wireless" : "serial";
}

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

// One controller on a link: its address, its values and the report of its last poll, read by a
// worker of its own on the link it shares with the other units there.
class UnitPoll {
 public:
  UnitPoll(LinkService& link, const AppConfig& config, RegisterTable table, size_t index, std::string where,
           std::string host);

  RegisterReport& report() { return report_; }
  const RegisterReport& report() const { return report_; }
  LinkService& link() { return link_; }
  LinkMode mode() const { return LinkModeOf(config_.workMode); }
  uint8_t unit() const { return static_cast<uint8_t>(config_.deviceId); }
  const AppConfig& config() const { return config_; }
  size_t index() const { return index_; }          // among all units of the session, from 0
  const std::string& where() const { return where_; }  // the link: "serial_ttyUSB0", "network_192.168.1.199"
  const std::string& host() const { return host_; }    // the link as a user names it

 private:
  friend class PollSession;
  LinkService& link_;
  AppConfig config_;
  SharedConfig shared_;
  DecodedValues values_{};
  RegisterReport report_;
  ReportObserver observer_;
  PollWorker worker_;
  size_t index_;
  std::string where_, host_;
  bool lost_ = false;
};

// The controllers polled as the main window polls one, by a command that runs unattended: one or
// several links (a line with its units, or network controllers), each opened once and reopened
// with backoff after it went away when asked to, and the units on them polled in turn, each with
// the poll's own reads and waits. Everything here runs on the calling thread.
class PollSession {
 public:
  // Every link's waits run on `clock`.
  explicit PollSession(RegisterTable table, Clock& clock = SystemClock::Instance());
  ~PollSession();

  // Adds a link and its units; false (and Error()) when it does not open.
  bool AddLine(const AppConfig& config, const LinkOverrides& overrides, const std::vector<uint8_t>& units);
  const std::string& Error() const { return error_; }

  struct Hooks {
    std::function<void(UnitPoll&)> polled;  // a unit's poll decoded something: its report() holds it
    std::function<void(UnitPoll&)> quiet;   // a unit's poll ran and decoded nothing
    std::function<void(UnitPoll&)> lost;    // a unit was declared lost (for a lone unit: reopening follows)
    std::function<void()> idle;             // between polls, every pass between rounds, and while reopening
  };
  struct Ending {
    bool lost = false;        // a link was lost and not reopened
    bool lastFailed = false;  // a poll of the last round decoded nothing
  };
  // Polls round after round until `stop` holds or `count` rounds ran (0: no limit). With one unit
  // the interval counts from the end of a poll to the start of the next; with several from the
  // start of a round to the start of the next, so that one unit's wait does not move the others'.
  // Without `reconnect` a lost link (its controller closed it, the device vanished, every unit on
  // it lost) ends the run; a lone unit declared lost is a lost link.
  Ending Run(const Hooks& hooks, const std::function<bool()>& stop, int count, bool reconnect);

  std::vector<UnitPoll*> units();
  size_t UnitCount() const;
  size_t LineCount() const { return lines_.size(); }

 private:
  struct Line;
  // Polls the line's units in turn; false when the round stops there (the link went, or `stop`).
  bool PollLine(Line& line, const Hooks& hooks, const std::function<bool()>& stop, bool& failed);
  // Its controller closed the connection, its device vanished, or every unit on it is lost.
  bool LineLost(Line& line);
  // A line's text on stderr, named by its link when the session has several units.
  void Say(const Line& line, const char* text) const;

  RegisterTable table_;
  Clock& clock_;
  std::vector<std::unique_ptr<Line>> lines_;
  std::string error_;
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

// --stats: each link's counters on stderr, as "key: value" lines or as one JSON object per link
// (named by its host when the session has several).
void ReportStats(PollSession& session, bool json);

class Verb;
// A polling verb's start: the configured language's register table and every link opened. On
// failure the reason is on stderr and `failed` holds the exit status.
std::unique_ptr<PollSession> OpenPollSession(const char* verb, const Verb& options, int& failed);

}  // namespace kaviro::cli
