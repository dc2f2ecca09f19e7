#include <chrono>
#include <iostream>

#include "cli/commands.h"
#include "cli/open_link.h"
#include "cli/verb.h"
#include "cli/register_report.h"
#include "cli/poll_session.h"
#include "cli/influx_line.h"
#include "cli/row_values.h"
#include "monitor/poll_worker.h"

namespace kaviro::cli {

namespace {

constexpr const char* kPollSynopsis =
    "kaviro-cli poll [options]\n"
    "  Polls the controller like the main window does (three block reads every interval) and prints\n"
    "  the register list after each successful poll.";

constexpr const char* kPollFooter =
    "Exit status: 0 success, 1 bad usage, 2 the link could not be opened or connected,\n"
    "             3 polls failed (--once with a failed poll, or the connection declared lost\n"
    "             without --reconnect).\n\n"
    "Several controllers are polled in turn, each with the poll's reads: csv then has the columns\n"
    "unit_id (and host, for several links), json the members unit (and host), influx a host tag.\n\n"
    "Examples:\n"
    "  kaviro-cli poll --mode serial --com 2 --once\n"
    "  kaviro-cli poll --mode serial --device /dev/ttyUSB0 --id 1,2,3 --format csv\n"
    "  kaviro-cli poll --mode network --host 192.168.1.199,192.168.1.200 --format json\n"
    "  kaviro-cli poll --links site.links --format influx --reconnect\n"
    "  kaviro-cli poll --mode wireless --device /dev/ttyUSB0 --interval 10\n"
    "  kaviro-cli poll --mode network --host 192.168.1.199 --format json\n"
    "  kaviro-cli poll --mode network --host 192.168.1.199 --format influx --reconnect | influx write -b solar\n";

int64_t UnixNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int RunPoll(const std::vector<std::string>& args) {
  Verb verb("poll", kPollSynopsis, kPollFooter, IdOption::kUnitList);
  CLI::App& app = verb.app();
  bool once = false, noHeader = false, reconnect = false, stats = false;
  int count = 0;  // 0: until interrupted
  std::string format = "table";
  app.add_flag("--once", once, "one poll, then exit");
  app.add_option("--count", count, "N polls, then exit (default: until Ctrl-C, which ends after the current poll)")
      ->type_name("N")->check(WholeNumber(1, 1 << 30))->excludes("--once");
  app.add_option("--format", format,
                 "table: aligned columns and the controller clock line (default);\n"
                 "csv: RFC 4180, a header row, then one line per register row and poll;\n"
                 "json: one object per poll per line (timestamp, status, clock, rows);\n"
                 "influx: InfluxDB line protocol, one line per poll (measurement kaviro, tags unit\n"
                 "and link, a field reg_HHHH per register), for Telegraf's execd input or influx write")
      ->type_name("table|csv|json|influx")
      ->check(OneOf({"table", "csv", "json", "influx"}, "table, csv, json or influx"));
  app.add_flag("--no-header", noHeader, "csv without its header row (for appending to a file)");
  app.add_flag("--reconnect", reconnect,
               "when the connection is lost (the controller closed it, the serial device vanished, or\n"
               "polls failed), say so on stderr, open the link again 1 s, 2 s, 4 s ... at most 30 s\n"
               "apart, and go on polling, instead of exiting with 3");
  app.add_flag("--stats", stats,
               "at the end, the link's counters on stderr (requests, answers, timeouts, CRC errors, round\n"
               "trips ...); with --format json as one JSON object");
  if (const auto done = verb.Parse(args)) return *done;
  if (once) count = 1;

  int failed = kExitOk;
  const std::unique_ptr<PollSession> opened = OpenPollSession("poll", verb, failed);
  if (!opened) return failed;
  PollSession& session = *opened;
  const bool severalLinks = session.LineCount() > 1, severalUnits = session.UnitCount() > 1;
  const auto tagOf = [&](const UnitPoll& u) {
    UnitTag tag;
    if (severalLinks) tag.host = u.host();
    if (severalUnits) tag.unit = u.unit();
    return tag;
  };

  const StopOnSignals signals;
  if (format == "csv" && !noHeader) WriteCsvHeader(std::cout, tagOf(*session.units().front()));

  PollSession::Hooks hooks;
  hooks.polled = [&](const UnitPoll& u) {
    const RegisterReport& report = u.report();
    const UnitTag tag = tagOf(u);
    if (format == "table") {
      if (severalUnits) std::cout << u.host() << " unit " << static_cast<int>(u.unit()) << '\n';
      WriteTable(std::cout, report);
    }
    if (format == "csv") WriteCsv(std::cout, report, tag);
    if (format == "json") WriteJson(std::cout, report, tag);
    if (format == "influx") {
      InfluxTags tags = {{"unit", std::to_string(u.unit())}, {"link", LinkName(u.mode())}};
      if (tag.host) tags.emplace_back("host", *tag.host);
      WriteInflux(std::cout, tags, RowValues(report), UnixNanoseconds());
    }
  };
  const PollSession::Ending ending = session.Run(hooks, [&] { return signals.Requested(); }, count, reconnect);
  if (stats) ReportStats(session, format == "json");

  if (ending.lost || ending.lastFailed) {
    std::cerr << kConnectionLostText << '\n';
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace kaviro::cli
