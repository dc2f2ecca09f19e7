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

// `kaviro-cli poll`: the main window's register list, headless.
int RunPoll(const std::vector<std::string>& args);
extern const char* const kPollHelp;

// `kaviro-cli log`: the log reader dialog's reads and exports, headless.
int RunLog(const std::vector<std::string>& args);
extern const char* const kLogHelp;

}  // namespace kaviro::cli
