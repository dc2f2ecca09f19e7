#pragma once
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/open_link.h"
#include "cli/verb.h"

namespace kaviro::cli {

// What the test console's verbs work on: the configuration with the link options, the address
// from --id (two hex digits, as the console's list has them) and the work mode.
struct ConsoleTarget {
  AppConfig config;
  LinkMode mode;
  uint8_t unit;
};

// Nothing when --id is refused (its message is on stderr).
std::optional<ConsoleTarget> Target(const Verb& verb);

// The link of a console verb, opened.
class ConsoleLink {
 public:
  ConsoleLink(const ConsoleTarget& target, const LinkOverrides& overrides);
  // False when the link is not there; why is on stderr.
  bool ok() const { return opened_ != nullptr; }
  LinkService& link() { return link_; }
  LinkMode mode() const { return mode_; }

  // See SettleAfterWrite.
  void Settle();

 private:
  LinkService link_;
  LinkMode mode_;
  std::unique_ptr<OpenedLink> opened_;
};

// A refused input: the console's text on stderr, exit 1.
int Refused(const std::string& message);
// A failed exchange: its message, or when it failed silently the tool's text for a failed
// communication, on stderr; exit 3.
int Failed(const std::string& message);
// A sent write: on a message exit 3; else nothing.
std::optional<int> SendFailed(const std::string& message);

}  // namespace kaviro::cli
