#include "sim/sim_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <memory>

namespace kaviro::sim {

namespace {

constexpr int kMaxLogRecords = 1000;
constexpr int kMaxDelayMs = 60000;
constexpr int kMaxNoiseBytes = 1000;
constexpr int kMaxCount = 1000000;

// Decimal only, handed on in plain form (a transform, not a check): CLI11 would read 010 as octal and
// take 0x1F as well.
template <typename T>
CLI::Validator Whole(T lo, T hi) {
  return CLI::Validator(
      [lo, hi](std::string& text) {
        T n{};
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, n);
        if (text.empty() || ec != std::errc() || ptr != end || n < lo || n > hi)
          return "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
        text = std::to_string(n);
        return std::string();
      },
      "");
}

CLI::Validator Probability() {
  return CLI::Validator(
      [](std::string& text) {
        size_t used = 0;
        double p = -1;
        try {
          p = std::stod(text, &used);
        } catch (...) {
          used = 0;
        }
        if (text.empty() || used != text.size() || !(p >= 0.0 && p <= 1.0)) return std::string("a probability from 0 to 1");
        char plain[32];
        std::snprintf(plain, sizeof plain, "%.17g", p);
        text = plain;
        return std::string();
      },
      "");
}

constexpr uint8_t kLowestUnit = 1;
constexpr uint8_t kHighestUnit = 247;

// "1,2,3": Modbus addresses, each once.
std::optional<std::vector<uint8_t>> UnitList(const std::string& text) {
  std::vector<uint8_t> units;
  for (size_t from = 0; from <= text.size();) {
    const size_t comma = std::min(text.find(',', from), text.size());
    int n = 0;
    const char* first = text.data() + from;
    const char* last = text.data() + comma;
    const auto [ptr, ec] = std::from_chars(first, last, n);
    if (first == last || ec != std::errc() || ptr != last || n < kLowestUnit || n > kHighestUnit) return std::nullopt;
    if (std::find(units.begin(), units.end(), n) != units.end()) return std::nullopt;
    units.push_back(static_cast<uint8_t>(n));
    from = comma + 1;
  }
  return units;
}

CLI::Option* AddUnitList(CLI::App& app, const char* name, std::vector<uint8_t>& field, const char* what) {
  return app
      .add_option_function<std::string>(name, [&field](const std::string& text) { field = *UnitList(text); }, what)
      ->type_name("LIST")
      ->check(CLI::Validator(
          [](std::string& text) {
            return UnitList(text) ? std::string() : std::string("addresses from 1 to 247, each once, such as 1,2,3");
          },
          ""));
}

// Units named by --fault-units or --signal-units that no controller has.
std::string Unserved(const SimOptions& o, const std::vector<uint8_t>& named, const char* option) {
  const std::vector<uint8_t> served = ServedUnits(o);
  for (uint8_t unit : named)
    if (std::find(served.begin(), served.end(), unit) == served.end())
      return std::string(option) + ": no controller at " + std::to_string(unit) + " (see --units)";
  return {};
}

CLI::Validator NotEmpty(const char* what) {
  return CLI::Validator([what](std::string& text) { return text.empty() ? std::string(what) : std::string(); }, "");
}

// The help reads as a man page's synopsis: usage, what it is, the option groups, the footer.
class SimHelp final : public CLI::Formatter {
 public:
  std::string make_description(const CLI::App* app) const override {
    return "usage: kaviro-sim [options]\n\n" + app->get_description() + "\n\n";
  }
  std::string make_usage(const CLI::App*, std::string) const override { return {}; }
  // The blank line between groups comes from make_groups.
  std::string make_group(std::string group, bool positional, std::vector<const CLI::Option*> opts) const override {
    std::string out = group + ":\n";
    for (const CLI::Option* opt : opts) out += make_option(opt, positional);
    return out;
  }
  // The value's name only; defaults and exclusions are said in the explanations.
  std::string make_option_opts(const CLI::Option* opt) const override {
    return opt->get_type_name().empty() || opt->get_expected_max() == 0 ? std::string() : " " + opt->get_type_name();
  }
};

constexpr const char* kDescription =
    R"(Simulates the KAVIRO charge controller (and the RD accessory behind its network side) for the
KAVIRO register tool, mbpoll and other Modbus clients. Every start is a fresh controller with the
same defaults (for a given --seed); nothing is stored.)";

constexpr const char* kFooter =
    R"(When it serves, it prints one line on stdout starting with "kaviro-sim: serving".
With --units, --verbose ends each answer's line with the unit that gave it, such as (unit 2).
SIGINT or SIGTERM stop it and remove the --pty link. SIGUSR1 switches silence (no answers at all,
as --silent) on, the next SIGUSR1 off again.)";

std::unique_ptr<CLI::App> MakeApp(SimOptions& o) {
  auto app = std::make_unique<CLI::App>(kDescription, "kaviro-sim");
  app->formatter(std::make_shared<SimHelp>());
  app->get_formatter()->column_width(22);
  app->footer(kFooter);
  // As before: a later value of an option overrides an earlier one, and flags take no value.
  app->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)->disable_flag_override();
  app->set_help_flag();  // added again at the end, in its group
  FaultSettings& f = o.faults;
  CLI::App& a = *app;

  a.option_defaults()->group("Transports (without --pty and --tcp: TCP on port 1502)");
  a.add_option("--pty", o.ptyPath,
               "open a pseudo-terminal and make PATH a symbolic link to its slave device\n"
               "(point KAVIRO_COMn at PATH); Modbus RTU, 9600 8N2, clients may close and\n"
               "reopen it")
      ->type_name("PATH")->check(NotEmpty("needs a path"));
  a.add_flag("--wireless", o.wireless,
             "on the pseudo-terminal, frames travel in 16-byte packets both ways, as\n"
             "through the 2.4G adapter");
  a.add_option("--tcp", o.tcpPort,
               "Modbus over TCP on PORT (0: any free port, shown in the ready line); one\n"
               "client at a time, later ones are served when it leaves")
      ->type_name("PORT")->transform(Whole(0, 65535));
  a.add_option("--bind", o.bind, "address to listen on (default 127.0.0.1)")->type_name("ADDR");

  a.option_defaults()->group("Device");
  CLI::Option* id =
      a.add_option("--id", o.unit,
                   "Modbus address of the controller, 1..247 (default 1); RTU requests and TCP\n"
                   "unit ids for other addresses get no answer. Frames with protocol id 0x0101\n"
                   "go to the RD at its own address (0x36 at start)")
          ->type_name("N")->transform(Whole(1, 247));
  AddUnitList(a, "--units", o.units,
              "instead of --id: one controller at each address of LIST, such as 1,2,3, on\n"
              "the one line or port, each with its own registers, daily log, faults and\n"
              "serial number (24051700 + address); the first listed has the values of a\n"
              "lone controller. On the pseudo-terminal every unit hears every request and\n"
              "the addressed one answers (address 0: all carry it out, none answers); on\n"
              "TCP the unit id picks the unit. A unit written a new address (0x0040)\n"
              "answers there from the next request; where two share one, the one listed\n"
              "first answers. The RD sits behind the first unit: it restarts, goes silent\n"
              "and takes faults with it")
      ->excludes(id);
  a.add_option("--log-records", o.logRecords, "number of daily log records, 0..1000 (default 30)")
      ->type_name("N")->transform(Whole(0, kMaxLogRecords));
  a.add_option("--restart-ms", o.restartMs,
               "the reset coil (0x00FF) restarts the controller for MS milliseconds,\n"
               "0..60000: the reset itself and every request until then go unanswered\n"
               "(default 0: the reset is echoed and takes no time)")
      ->type_name("MS")->transform(Whole(0, kMaxDelayMs));
  a.add_option("--seed", o.seed, "seed for every random choice: values, log contents, faults (default 1)")
      ->type_name("N")->transform(Whole<uint64_t>(0, std::numeric_limits<uint64_t>::max()));
  a.add_flag("--locked", o.locked,
             "settings locked: every register write and identification update of the\n"
             "controller is answered with exception 04 and changes nothing");

  a.option_defaults()->group("Faults (P is a probability from 0 to 1, drawn for every answer)");
  a.add_flag("--silent", f.silent, "never answer");
  const auto probability = [&](const char* name, double& field, const char* what) {
    a.add_option(name, field, what)->type_name("P")->transform(Probability());
  };
  probability("--drop", f.drop, "leave an answer out");
  probability("--corrupt-crc", f.corruptCrc, "spoil the CRC of an RTU answer");
  probability("--garbage", f.garbage, "send random bytes instead of the answer");
  probability("--wrong-id", f.wrongId, "answer from another unit address");
  probability("--wrong-tid", f.wrongTid, "answer with another transaction id (TCP)");
  probability("--exception", f.exception, "answer with exception 04 instead (the request is still carried out)");
  probability("--oversize", f.oversize, "pad the answer's data to 1100 bytes, longer than any receive buffer");
  a.add_option("--leading", f.leading, "send N random bytes before the answer, 0..1000")
      ->type_name("N")->transform(Whole(0, kMaxNoiseBytes));
  a.add_option("--trailing", f.trailing, "send N random bytes behind the answer, 0..1000")
      ->type_name("N")->transform(Whole(0, kMaxNoiseBytes));
  a.add_flag("--half", f.half, "send only the first half of the answer");
  a.add_flag("--half-close", f.halfClose, "TCP: send the first half of the answer, then close the connection");
  a.add_flag("--echo", f.echo,
             "pseudo-terminal: send the request back before the answer, as an RS-485\n"
             "line without echo suppression does");
  a.add_flag("--split", f.split, "send each answer in 2 to 4 pieces, 5 to 40 ms apart");
  a.add_option("--delay", f.delayMs, "wait MS milliseconds before answering; later answers queue behind")
      ->type_name("MS")->transform(Whole(0, kMaxDelayMs));
  a.add_option("--fault-answers", f.faultAnswers,
               "the faults above touch only the first N answers, the rest go out clean\n"
               "(default 0: every answer)")
      ->type_name("N")->transform(Whole(0, kMaxCount));
  a.add_option("--silent-after", f.silentAfter,
               "answer N times, then answer nothing until the next SIGUSR1 (the request that\n"
               "went unanswered is still carried out)")
      ->type_name("N")->transform(Whole(1, kMaxCount));
  a.add_option("--close-after", o.closeAfter, "close a TCP connection after N answers")
      ->type_name("N")->transform(Whole(1, kMaxCount));
  a.add_flag("--forget-writes", o.forgetWrites, "confirm register writes as usual but keep the old values");
  a.add_flag("--pace", o.pace,
             "let bytes out on the pseudo-terminal at the real 9600 8N2 rate\n"
             "(about 1.15 ms per byte)");
  AddUnitList(a, "--fault-units", o.faultUnits,
              "the faults above and --forget-writes spoil only the units in LIST (default:\n"
              "every unit); each unit counts its own --fault-answers. --close-after and\n"
              "--pace stay with the connection and the line");

  a.option_defaults()->group("Other");
  a.add_flag("--verbose", o.verbose, "print every request and answer as hex with a timestamp on stderr");
  AddUnitList(a, "--signal-units", o.signalUnits,
              "SIGUSR1 silences only the units in LIST (default: every unit)");
  a.set_help_flag("-h,--help", "show this text")->group("Other");
  return app;
}

}  // namespace

ParsedOptions ParseSimOptions(std::span<const std::string> args) {
  ParsedOptions parsed;
  SimOptions& o = parsed.options;
  const std::unique_ptr<CLI::App> app = MakeApp(o);
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
  try {
    app->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    o.help = true;
    return parsed;
  } catch (const CLI::ParseError& e) {
    parsed.error = e.what();
    return parsed;
  }
  if (o.wireless && !o.ptyPath) {
    parsed.error = "--wireless applies to the pseudo-terminal: give --pty too";
    return parsed;
  }
  for (const auto& [named, option] : {std::pair{&o.faultUnits, "--fault-units"}, std::pair{&o.signalUnits, "--signal-units"}}) {
    parsed.error = Unserved(o, *named, option);
    if (!parsed.error.empty()) return parsed;
  }
  if (!o.ptyPath && !o.tcpPort) o.tcpPort = kDefaultTcpPort;
  return parsed;
}

std::vector<uint8_t> ServedUnits(const SimOptions& options) {
  if (!options.units.empty()) return options.units;
  return {static_cast<uint8_t>(options.unit)};
}

std::string SimUsage() {
  SimOptions unused;
  return MakeApp(unused)->help();
}

}  // namespace kaviro::sim
