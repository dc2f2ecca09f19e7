#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "link/text_format.h"
#include "tools/console/lighting.h"

namespace kaviro::cli {

namespace {

constexpr const char* kLightSynopsis =
    "kaviro-cli light get|set [--id HEX] [link options]\n"
    "  The controller's daily lighting times, registers 0xE080 to 0xE087: one name<TAB>HH:MM:SS\n"
    "  line each for 天黑开灯, 天黑关灯, 天亮开灯 and 天亮关灯.";

constexpr const char* kLightSetSynopsis =
    "kaviro-cli light set 1|2|3|4 HH:MM:SS [--id HEX] [link options]\n"
    "  Writes one time: 1 天黑开灯 (0xE080), 2 天黑关灯 (0xE082), 3 天亮开灯 (0xE084),\n"
    "  4 天亮关灯 (0xE086). Prints the frame, then reads the four times back and prints them.";

const std::string kLightFooter = Footer(
    "  kaviro-cli light get --mode serial --com 2\n"
    "  kaviro-cli light set 1 18:30:00 --mode network --host 192.168.1.199\n");

void Print(const LightingTimes& times) {
  for (size_t i = 0; i < kLightingSlots; ++i)
    std::cout << kLightingSlotTable[i].name << '\t' << TimeOfDayText(times[i]) << '\n';
}

CLI::Validator TimeOfDayValue() {
  return CLI::Validator(
      [](std::string& text) {
        return ParseTimeOfDay(text) ? std::string() : std::string("a time HH:MM:SS from 00:00:00 to 23:59:59");
      },
      "");
}

}  // namespace

int RunLight(const std::vector<std::string>& args) {
  Verb verb("light", kLightSynopsis, kLightFooter, IdOption::kHex);
  verb.app().require_subcommand(1);
  CLI::App* get = verb.Sub("get", "kaviro-cli light get [--id HEX] [link options]\n  Reads the four times.");
  CLI::App* set = verb.Sub("set", kLightSetSynopsis);
  int slot = 0;
  std::string time;
  set->add_option("SLOT", slot, "1 to 4")->required()->check(WholeNumber(1, static_cast<int>(kLightingSlots)));
  set->add_option("TIME", time, "HH:MM:SS")->required()->check(TimeOfDayValue());
  if (const auto done = verb.Parse(args)) return *done;

  int status = kExitOk;
  const auto link = VerbLink::Open(verb, status);
  if (!link) return status;
  Result<LightingTimes> read;
  if (get->parsed()) {
    read = ReadLightingTimes(link->link(), link->mode(), link->unit());
  } else {
    const LightingSlot& written = kLightingSlotTable[slot - 1];
    const uint32_t v = *ParseTimeOfDay(time);
    std::cout << HexBytes(LightingFrame(link->unit(), written.reg, v).Bytes()) << '\n';
    read = SetLightingTimeVerified(link->link(), link->mode(), link->unit(), written, v);
  }
  if (read.value) Print(*read.value);
  return Finish(read);
}

}  // namespace kaviro::cli
