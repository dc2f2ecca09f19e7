#include "cli/console_support.h"

#include "cli/command_support.h"
#include "cli/commands.h"
#include "link/link_texts.h"

namespace kaviro::cli {

std::optional<ConsoleTarget> Target(const Verb& verb) {
  const AppConfig config = verb.Config();
  const std::optional<uint8_t> unit = verb.HexUnit(config);
  if (!unit) return std::nullopt;
  return ConsoleTarget{config, LinkModeOf(config.workMode), *unit};
}

ConsoleLink::ConsoleLink(const ConsoleTarget& target, const LinkOverrides& overrides)
    : mode_(target.mode), opened_(OpenLinkOrSay(link_, target.config, overrides)) {}

void ConsoleLink::Settle() { SettleAfterWrite(link_); }

int Refused(const std::string& message) {
  std::cerr << message << '\n';
  return kExitUsage;
}

int Failed(const std::string& message) {
  std::cerr << (message.empty() ? text::kCommunicationFailed : message) << '\n';
  return kExitFailed;
}

std::optional<int> SendFailed(const std::string& message) {
  if (message.empty()) return std::nullopt;
  std::cerr << message << '\n';
  return kExitFailed;
}

}  // namespace kaviro::cli
