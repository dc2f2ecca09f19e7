#include <chrono>
#include <cmath>
#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "link/text_format.h"
#include "tools/controller/param_settings.h"

namespace kaviro::cli {

namespace {

constexpr const char* kClockSynopsis =
    "kaviro-cli clock get | set \"YYYY-MM-DD HH:MM:SS\"|now [link options]\n"
    "  The controller's clock, in the PC's local time: get prints it, set writes the given time (or the\n"
    "  PC's) as the parameter settings dialog does and reads the clock back.";

const std::string kClockFooter = Footer(
    "  kaviro-cli clock get --mode serial --com 2\n"
    "  kaviro-cli clock set now --mode wireless --device /dev/ttyUSB0\n"
    "  kaviro-cli clock set \"2024-05-17 08:30:00\" --mode network --host 192.168.1.199\n");

CLI::Validator ClockTimeText() {
  return CLI::Validator(
      [](std::string& text) {
        return text == "now" || ParseClockText(text) ? std::string() : std::string("YYYY-MM-DD HH:MM:SS or now");
      },
      "");
}

std::string Shown(const ClockValue& read) { return read.time ? ClockText(*read.time) : Format("%d s", read.seconds); }

}  // namespace

int RunClock(const std::vector<std::string>& args) {
  Verb verb("clock", kClockSynopsis, kClockFooter);
  std::string when;
  CLI::App* get = verb.Sub("get", "print the controller's clock");
  CLI::App* set = verb.Sub("set", "set the controller's clock and read it back");
  set->add_option("TIME", when, "\"YYYY-MM-DD HH:MM:SS\" in local time, or now")->required()->check(ClockTimeText());
  verb.app().require_subcommand(1);
  if (const auto done = verb.Parse(args)) return *done;

  int status = kExitOk;
  const auto link = VerbLink::Open(verb, status);
  if (!link) return status;
  const LocalDateTime target = when == "now" ? LocalNow() : *ParseClockText(when);
  const auto started = std::chrono::steady_clock::now();
  // The controller's clock runs on while the write is confirmed and read back.
  const auto passed = [&] {
    return static_cast<int64_t>(std::ceil(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count())) + 1;
  };
  const Result<ClockValue> read = get->parsed() ? ReadControllerClock(link->link(), link->mode(), link->unit())
                                                : SetClockVerified(link->link(), link->mode(), link->unit(), target, passed);
  if (read.value) std::cout << Shown(*read.value) << '\n';
  return Finish(read);
}

}  // namespace kaviro::cli
