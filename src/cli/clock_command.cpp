#include <chrono>
#include <cmath>
#include <iostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/param_support.h"
#include "cli/verb.h"
#include "link/text_format.h"
#include "tools/controller/param_settings.h"

namespace kaviro::cli {

namespace {

constexpr const char* kClockSynopsis =
    "kaviro-cli clock get | set \"YYYY-MM-DD HH:MM:SS\"|now [link options]\n"
    "  The controller's clock, in the PC's local time: get prints it, set writes the given time (or the\n"
    "  PC's) as the parameter settings dialog does and reads the clock back.";

constexpr const char* kClockFooter =
    "Exit status: 0 success, 1 bad usage or a time that cannot be written, 2 the link could not be\n"
    "             opened or connected, 3 the exchange failed (no answer, answer rejected, write not\n"
    "             confirmed), 4 the clock read back is not the time written (allowing for the time\n"
    "             that passed).\n\n"
    "Examples:\n"
    "  kaviro-cli clock get --mode serial --com 2\n"
    "  kaviro-cli clock set now --mode wireless --device /dev/ttyUSB0\n"
    "  kaviro-cli clock set \"2024-05-17 08:30:00\" --mode network --host 192.168.1.199\n";

CLI::Validator ClockTimeText() {
  return CLI::Validator(
      [](std::string& text) {
        return text == "now" || ParseClockText(text) ? std::string() : std::string("YYYY-MM-DD HH:MM:SS or now");
      },
      "");
}

std::string Shown(const ClockRead& read) { return read.time ? ClockText(*read.time) : Format("%d s", read.seconds); }

}  // namespace

int RunClock(const std::vector<std::string>& args) {
  Verb verb("clock", kClockSynopsis, kClockFooter);
  std::string when;
  CLI::App* get = verb.Sub("get", "print the controller's clock");
  CLI::App* set = verb.Sub("set", "set the controller's clock and read it back");
  set->add_option("TIME", when, "\"YYYY-MM-DD HH:MM:SS\" in local time, or now")->required()->check(ClockTimeText());
  verb.app().require_subcommand(1);
  if (const auto done = verb.Parse(args)) return *done;

  const AppConfig config = verb.Config();
  LinkService link;
  const std::unique_ptr<OpenedLink> opened = OpenLinkOrSay(link, config, verb.link);
  if (!opened) return kExitNoLink;
  const LinkMode mode = LinkModeOf(config.workMode);
  const auto unit = static_cast<uint8_t>(config.deviceId);

  if (get->parsed()) {
    const ClockRead read = ReadControllerClock(link, mode, unit);
    if (!read.reply.ok()) return Report(read.reply);
    std::cout << Shown(read) << '\n';
    return kExitOk;
  }

  const LocalDateTime target = when == "now" ? LocalNow() : *ParseClockText(when);
  const auto started = std::chrono::steady_clock::now();
  if (const int status = Report(WriteControllerClock(link, mode, unit, target)); status != kExitOk) return status;
  const ClockRead back = ReadControllerClock(link, mode, unit);
  if (!back.reply.ok()) return Report(back.reply);
  std::cout << Shown(back) << '\n';
  // The controller's clock runs on while the write is confirmed and read back.
  const auto passed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const int64_t drift = back.seconds - *ControllerClockSeconds(target);
  if (drift < 0 || drift > static_cast<int64_t>(std::ceil(passed)) + 1) {
    std::cerr << "kaviro-cli clock set: read back " << Shown(back) << ", but " << ClockText(target) << " was written\n";
    return kExitMismatch;
  }
  return kExitOk;
}

}  // namespace kaviro::cli
