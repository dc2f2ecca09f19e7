#pragma once
#include <iostream>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/open_link.h"
#include "cli/options.h"

namespace kaviro::cli {

// The end of a command before it touches the link: a usage error (shown with the help) or --help.
// Nothing when the command goes on.
template <typename Options>
std::optional<int> UsageOutcome(const char* command, const std::optional<Options>& options, const std::string& error,
                                const char* help) {
  if (!options) {
    std::cerr << "kaviro-cli " << command << ": " << error << "\n\n" << help << '\n' << kLinkOptionsHelp;
    return kExitUsage;
  }
  if (options->help) {
    std::cout << help << '\n' << kLinkOptionsHelp;
    return kExitOk;
  }
  return std::nullopt;
}

// config.txt of the current directory (created with the defaults when missing) with the overrides.
inline AppConfig RunConfig(const LinkOverrides& overrides) { return overrides.ApplyTo(LoadConfig(ConfigPath())); }

// Opens the link; when it is not there, says why on stderr and gives nothing.
inline std::unique_ptr<OpenedLink> OpenLinkOrSay(LinkService& link, const AppConfig& config,
                                                 const LinkOverrides& overrides) {
  std::unique_ptr<OpenedLink> opened = OpenLink(link, config, overrides);
  if (opened->ok) return opened;
  std::cerr << opened->error << '\n';
  return nullptr;
}

}  // namespace kaviro::cli
