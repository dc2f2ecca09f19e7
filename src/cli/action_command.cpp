#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "link/text_format.h"
#include "tools/controller/coil_command.h"

namespace kaviro::cli {

namespace {

constexpr const char* kActionSynopsis =
    "kaviro-cli action NAME [link options]\n"
    "  Switches one of the controller's action coils on, as a button of the action dialog does, and\n"
    "  prints the dialog's messages (\"设置成功！\" once the controller echoed the write) on stderr.\n"
    "  The actions are momentary, so there is nothing to read back.";

std::string ActionFooter() {
  std::string footer = "Actions (NAME, or the coil as 0xHHHH):\n";
  for (const CoilAction& a : CoilActions())
    footer += Format("  %-22s 0x%04X  %s\n", a.name, a.coil, a.caption);
  return footer + "\n" +
         Footer("  kaviro-cli action clear-faults --mode serial --com 2\n"
                "  kaviro-cli action 0x0015 --mode wireless --device /dev/ttyUSB0\n"
                "  kaviro-cli action reset --mode network --host 192.168.1.199\n");
}

}  // namespace

int RunAction(const std::vector<std::string>& args) {
  Verb verb("action", kActionSynopsis, ActionFooter());
  std::string name;
  verb.app()
      .add_option("NAME", name, "the action's name or its coil as 0xHHHH")
      ->required()
      ->check(CLI::Validator(
          [](std::string& text) { return CoilByName(text) ? std::string() : "an action named in the list below"; }, ""));
  if (const auto done = verb.Parse(args)) return *done;

  int status = kExitOk;
  const auto link = VerbLink::Open(verb, status);
  if (!link) return status;
  return Finish(SendCoil(link->link(), link->mode(), link->unit(), *CoilByName(name)));
}

}  // namespace kaviro::cli
