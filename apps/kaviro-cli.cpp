// Headless front end: the tool's poll (and later its other commands) for scripts and data loggers.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

struct Subcommand {
  const char* name;
  int (*run)(const std::vector<std::string>&);
  const char* summary;
};

constexpr Subcommand kSubcommands[] = {
    {"poll", kaviro::cli::RunPoll, "poll the controller and print the register list"},
    {"log", kaviro::cli::RunLog, "read the controller's daily log records, print or save them"},
    {"param", kaviro::cli::RunParam, "list, read or set the controller's parameters"},
    {"clock", kaviro::cli::RunClock, "read or set the controller's clock"},
    {"send", kaviro::cli::RunSend, "send one frame from the test console's fields and print the answer"},
    {"ident", kaviro::cli::RunIdent, "read or rewrite the controller's identification objects"},
    {"light", kaviro::cli::RunLight, "read or set the controller's daily lighting times"},
    {"net", kaviro::cli::RunNet, "read or set the controller's Ethernet module: MAC, port, addresses"},
    {"radio", kaviro::cli::RunRadio, "read or set the controller's 2.4 GHz wireless addresses"},
    {"address", kaviro::cli::RunAddress, "read or change the controller's Modbus address"},
    {"action", kaviro::cli::RunAction, "switch one of the controller's action coils (clear faults, reset, ...)"},
    {"info", kaviro::cli::RunInfo, "battery presets and the user's own row, DIP switches, faults and alarms"},
    {"rd", kaviro::cli::RunRd, "read and change the RD relay accessory's settings (network mode)"},
    {"mqtt", kaviro::cli::RunMqtt, "publish the polls on an MQTT broker, with Home Assistant discovery and commands"},
    {"settings", kaviro::cli::RunSettings, "save the controller's settings to a file, compare them, apply them"},
    {"probe", kaviro::cli::RunProbe, "read the RD alarm thresholds 0x2033 and 0x2034 over the serial port"},
};

void Usage(std::ostream& out) {
  out << "usage: kaviro-cli <command> [options]   (kaviro-cli <command> --help for details)\n\ncommands:\n";
  for (const Subcommand& s : kSubcommands) out << "  " << s.name << "\t" << s.summary << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    Usage(argc < 2 ? std::cerr : std::cout);
    return argc < 2 ? kaviro::cli::kExitUsage : kaviro::cli::kExitOk;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const Subcommand& s : kSubcommands)
    if (argv[1] == std::string(s.name)) return s.run(args);
  std::cerr << "kaviro-cli: unknown command " << argv[1] << "\n\n";
  Usage(std::cerr);
  return kaviro::cli::kExitUsage;
}
