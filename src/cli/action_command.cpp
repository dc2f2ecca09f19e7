#include <iostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/verb.h"
#include "link/text_format.h"
#include "tools/controller/coil_command.h"

namespace kaviro::cli {

namespace {

constexpr const char* kActionSynopsis =
    "kaviro-cli action NAME [link options]\n"
    "  Switches one of the controller's action coils on, as a button of the action dialog does, and\n"
    "  prints what the controller said: \"设置成功！\" on stdout once it echoed the write, the dialog's\n"
    "  other messages on stderr. The actions are momentary, so there is nothing to read back.";

std::string ActionFooter() {
  std::string footer = "Actions (NAME, or the coil as 0xHHHH):\n";
  for (const CoilAction& a : CoilActions())
    footer += Format("  %-22s 0x%04X  %s\n", a.name, a.coil, a.caption);
  footer += Format("\n%s\n", kExitStatusHelp);
  footer +=
      "Examples:\n"
      "  kaviro-cli action clear-faults --mode serial --com 2\n"
      "  kaviro-cli action 0x0015 --mode wireless --device /dev/ttyUSB0\n"
      "  kaviro-cli action reset --mode network --host 192.168.1.199\n";
  return footer;
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

  const AppConfig config = verb.Config();
  LinkService link;
  const std::unique_ptr<OpenedLink> opened = OpenLinkOrSay(link, config, verb.link);
  if (!opened) return kExitNoLink;
  const CoilResult result =
      SendCoil(link, LinkModeOf(config.workMode), static_cast<uint8_t>(config.deviceId), *CoilByName(name));
  // The confirmation is the last message; what came before it (a differing echo) is a complaint.
  for (size_t i = 0; i < result.messages.size(); ++i) {
    const bool confirmation = result.confirmed && i + 1 == result.messages.size();
    (confirmation ? std::cout : std::cerr) << result.messages[i] << '\n';
  }
  return result.confirmed ? kExitOk : kExitFailed;
}

}  // namespace kaviro::cli
