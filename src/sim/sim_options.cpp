#include "sim/sim_options.h"

#include <charconv>
#include <functional>
#include <string_view>

namespace kaviro::sim {

namespace {

constexpr int kMaxLogRecords = 1000;
constexpr int kMaxDelayMs = 60000;
constexpr int kMaxNoiseBytes = 1000;

template <typename T>
bool ParseNumber(const std::string& text, T& out) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && ptr == end && !text.empty();
}

bool ParseProbability(const std::string& text, double& out) {
  size_t used = 0;
  try {
    out = std::stod(text, &used);
  } catch (...) {
    return false;
  }
  return used == text.size() && out >= 0.0 && out <= 1.0;
}

using Apply = std::function<std::string(SimOptions&, const std::string&)>;

Apply IntIn(int SimOptions::*field, int lo, int hi, const char* what) {
  return [=](SimOptions& o, const std::string& v) -> std::string {
    int n = 0;
    if (!ParseNumber(v, n) || n < lo || n > hi)
      return std::string(what) + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
    o.*field = n;
    return {};
  };
}

Apply FaultCount(int FaultSettings::*field, int lo, int hi, const char* what) {
  return [=](SimOptions& o, const std::string& v) -> std::string {
    int n = 0;
    if (!ParseNumber(v, n) || n < lo || n > hi)
      return std::string(what) + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
    o.faults.*field = n;
    return {};
  };
}

Apply FaultFlag(bool FaultSettings::*field) {
  return [=](SimOptions& o, const std::string&) -> std::string {
    o.faults.*field = true;
    return {};
  };
}

Apply Probability(double FaultSettings::*field) {
  return [=](SimOptions& o, const std::string& v) -> std::string {
    if (!ParseProbability(v, o.faults.*field)) return "a probability must be a number from 0 to 1";
    return {};
  };
}

struct OptionSpec {
  std::string_view name;
  bool takesValue;
  Apply apply;  // for flags the value is empty
};

const std::vector<OptionSpec>& Specs() {
  static const std::vector<OptionSpec> specs = {
      {"--pty", true, [](SimOptions& o, const std::string& v) -> std::string {
         if (v.empty()) return "--pty needs a path";
         o.ptyPath = v;
         return {};
       }},
      {"--tcp", true, [](SimOptions& o, const std::string& v) -> std::string {
         int port = 0;
         if (!ParseNumber(v, port) || port < 0 || port > 65535) return "--tcp needs a port from 0 to 65535";
         o.tcpPort = port;
         return {};
       }},
      {"--bind", true, [](SimOptions& o, const std::string& v) -> std::string {
         o.bind = v;
         return {};
       }},
      {"--wireless", false, [](SimOptions& o, const std::string&) -> std::string {
         o.wireless = true;
         return {};
       }},
      {"--id", true, IntIn(&SimOptions::unit, 1, 247, "--id")},
      {"--log-records", true, IntIn(&SimOptions::logRecords, 0, kMaxLogRecords, "--log-records")},
      {"--locked", false, [](SimOptions& o, const std::string&) -> std::string {
         o.locked = true;
         return {};
       }},
      {"--restart-ms", true, IntIn(&SimOptions::restartMs, 0, kMaxDelayMs, "--restart-ms")},
      {"--silent", false, [](SimOptions& o, const std::string&) -> std::string {
         o.faults.silent = true;
         return {};
       }},
      {"--drop", true, Probability(&FaultSettings::drop)},
      {"--corrupt-crc", true, Probability(&FaultSettings::corruptCrc)},
      {"--garbage", true, Probability(&FaultSettings::garbage)},
      {"--wrong-id", true, Probability(&FaultSettings::wrongId)},
      {"--wrong-tid", true, Probability(&FaultSettings::wrongTid)},
      {"--exception", true, Probability(&FaultSettings::exception)},
      {"--oversize", true, Probability(&FaultSettings::oversize)},
      {"--leading", true, FaultCount(&FaultSettings::leading, 0, kMaxNoiseBytes, "--leading")},
      {"--trailing", true, FaultCount(&FaultSettings::trailing, 0, kMaxNoiseBytes, "--trailing")},
      {"--half", false, FaultFlag(&FaultSettings::half)},
      {"--half-close", false, FaultFlag(&FaultSettings::halfClose)},
      {"--echo", false, FaultFlag(&FaultSettings::echo)},
      {"--split", false, FaultFlag(&FaultSettings::split)},
      {"--fault-answers", true, FaultCount(&FaultSettings::faultAnswers, 0, 1000000, "--fault-answers")},
      {"--delay", true, [](SimOptions& o, const std::string& v) -> std::string {
         int ms = 0;
         if (!ParseNumber(v, ms) || ms < 0 || ms > kMaxDelayMs) return "--delay must be 0 to 60000 ms";
         o.faults.delayMs = ms;
         return {};
       }},
      {"--forget-writes", false, [](SimOptions& o, const std::string&) -> std::string {
         o.forgetWrites = true;
         return {};
       }},
      {"--close-after", true, IntIn(&SimOptions::closeAfter, 1, 1000000, "--close-after")},
      {"--pace", false, [](SimOptions& o, const std::string&) -> std::string {
         o.pace = true;
         return {};
       }},
      {"--seed", true, [](SimOptions& o, const std::string& v) -> std::string {
         if (!ParseNumber(v, o.seed)) return "--seed needs a non-negative whole number";
         return {};
       }},
      {"--verbose", false, [](SimOptions& o, const std::string&) -> std::string {
         o.verbose = true;
         return {};
       }},
      {"--help", false, [](SimOptions& o, const std::string&) -> std::string {
         o.help = true;
         return {};
       }},
  };
  return specs;
}

}  // namespace

ParsedOptions ParseSimOptions(std::span<const std::string> args) {
  ParsedOptions parsed;
  SimOptions& o = parsed.options;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inlineValue;
    if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name.resize(eq);
    }
    if (name == "-h") name = "--help";
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& s : Specs())
      if (s.name == name) spec = &s;
    if (!spec) {
      parsed.error = "unknown option " + args[i];
      return parsed;
    }
    std::string value;
    if (spec->takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        parsed.error = name + " needs a value";
        return parsed;
      }
    } else if (inlineValue) {
      parsed.error = name + " takes no value";
      return parsed;
    }
    if (std::string problem = spec->apply(o, value); !problem.empty()) {
      parsed.error = problem;
      return parsed;
    }
  }
  if (o.help) return parsed;
  if (o.wireless && !o.ptyPath) {
    parsed.error = "--wireless applies to the pseudo-terminal: give --pty too";
    return parsed;
  }
  if (!o.ptyPath && !o.tcpPort) o.tcpPort = kDefaultTcpPort;
  return parsed;
}

std::string SimUsage() {
  return R"(usage: kaviro-sim [options]

Simulates the KAVIRO charge controller (and the RD accessory behind its network side) for the
KAVIRO register tool, mbpoll and other Modbus clients. Every start is a fresh controller with the
same defaults (for a given --seed); nothing is stored.

Transports (without --pty and --tcp: TCP on port 1502):
  --pty PATH          open a pseudo-terminal and make PATH a symbolic link to its slave device
                      (point KAVIRO_COMn at PATH); Modbus RTU, 9600 8N2, clients may close and
                      reopen it
  --wireless          on the pseudo-terminal, frames travel in 16-byte packets both ways, as
                      through the 2.4G adapter
  --tcp PORT          Modbus over TCP on PORT (0: any free port, shown in the ready line); one
                      client at a time, later ones are served when it leaves
  --bind ADDR         address to listen on (default 127.0.0.1)

Device:
  --id N              Modbus address of the controller, 1..247 (default 1); RTU requests and TCP
                      unit ids for other addresses get no answer. Frames with protocol id 0x0101
                      go to the RD at its own address (0x36 at start)
  --log-records N     number of daily log records, 0..1000 (default 30)
  --restart-ms MS     the reset coil (0x00FF) restarts the controller for MS milliseconds,
                      0..60000: the reset itself and every request until then go unanswered
                      (default 0: the reset is echoed and takes no time)
  --seed N            seed for every random choice: values, log contents, faults (default 1)
  --locked            settings locked: every register write and identification update of the
                      controller is answered with exception 04 and changes nothing

Faults (P is a probability from 0 to 1, drawn for every answer):
  --silent            never answer
  --drop P            leave an answer out
  --corrupt-crc P     spoil the CRC of an RTU answer
  --garbage P         send random bytes instead of the answer
  --wrong-id P        answer from another unit address
  --wrong-tid P       answer with another transaction id (TCP)
  --exception P       answer with exception 04 instead (the request is still carried out)
  --oversize P        pad the answer's data to 1100 bytes, longer than any receive buffer
  --leading N         send N random bytes before the answer, 0..1000
  --trailing N        send N random bytes behind the answer, 0..1000
  --half              send only the first half of the answer
  --half-close        TCP: send the first half of the answer, then close the connection
  --echo              pseudo-terminal: send the request back before the answer, as an RS-485
                      line without echo suppression does
  --split             send each answer in 2 to 4 pieces, 5 to 40 ms apart
  --delay MS          wait MS milliseconds before answering; later answers queue behind
  --fault-answers N   the faults above touch only the first N answers, the rest go out clean
                      (default 0: every answer)
  --close-after N     close a TCP connection after N answers
  --forget-writes     confirm register writes as usual but keep the old values
  --pace              let bytes out on the pseudo-terminal at the real 9600 8N2 rate
                      (about 1.15 ms per byte)

Other:
  --verbose           print every request and answer as hex with a timestamp on stderr
  --help              show this text

When it serves, it prints one line on stdout starting with "kaviro-sim: serving".
SIGINT or SIGTERM stop it and remove the --pty link. SIGUSR1 switches silence (no answers at all,
as --silent) on, the next SIGUSR1 off again.
)";
}

}  // namespace kaviro::sim
