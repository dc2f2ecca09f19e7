#pragma once
#include <string>
#include <vector>

namespace kaviro::cli {

// Exit statuses shared by the subcommands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitNoLink = 2;
inline constexpr int kExitFailed = 3;
inline constexpr int kExitMismatch = 4;  // written and confirmed, but read back as another value

// The exit statuses as every verb's help states them.
inline constexpr const char* kExitStatusHelp =
    "Exit status: 0 success, 1 bad usage or input refused, 2 the link could not be opened or connected,\n"
    "             3 the exchange failed (no answer, answer rejected, write not confirmed),\n"
    "             4 the write was confirmed but reading it back gave another value.\n";

// A verb's help footer: the exit statuses, then its examples.
inline std::string Footer(const std::string& examples) { return std::string(kExitStatusHelp) + "\nExamples:\n" + examples; }

// `kaviro-cli poll`: the main window's register list, headless.
int RunPoll(const std::vector<std::string>& args);

// `kaviro-cli log`: the log reader dialog's reads and exports, headless.
int RunLog(const std::vector<std::string>& args);

// `kaviro-cli param` and `kaviro-cli clock`: the parameter settings dialog, headless.
int RunParam(const std::vector<std::string>& args);
int RunClock(const std::vector<std::string>& args);
// The Modbus test console's groups, headless: a raw frame, the identification objects, the
// lighting times, the Ethernet module, the radio block and the Modbus address.
int RunSend(const std::vector<std::string>& args);
int RunIdent(const std::vector<std::string>& args);
int RunLight(const std::vector<std::string>& args);
int RunNet(const std::vector<std::string>& args);
int RunRadio(const std::vector<std::string>& args);
int RunAddress(const std::vector<std::string>& args);
// `kaviro-cli action`: the action dialog's coil writes, headless.
int RunAction(const std::vector<std::string>& args);

// `kaviro-cli info`: the controller information dialog's reads and its one write, headless.
int RunInfo(const std::vector<std::string>& args);

// `kaviro-cli rd`: the RD relay accessory's settings dialog, headless.
int RunRd(const std::vector<std::string>& args);

// `kaviro-cli mqtt`: the poll published on an MQTT broker, with Home Assistant discovery and commands.
int RunMqtt(const std::vector<std::string>& args);

// `kaviro-cli settings`: a snapshot of the controller's settings saved, compared and applied.
int RunSettings(const std::vector<std::string>& args);

// `kaviro-cli probe`: the alarm threshold probe over the serial port.
int RunProbe(const std::vector<std::string>& args);

}  // namespace kaviro::cli
