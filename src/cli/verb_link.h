#pragma once
#include <iostream>
#include <memory>
#include <optional>

#include "cli/controller_session.h"
#include "cli/verb.h"
#include "tools/common/result.h"

namespace kaviro::cli {

// The link a verb works on, opened the one way every verb opens it: config.txt with the link
// options, the work mode, and the device address (the configured one, or --id as the console's
// two hex digits).
class VerbLink {
 public:
  // Nothing when --id is refused or the link is not there: why is on stderr, `status` the exit
  // status to end with.
  static std::unique_ptr<VerbLink> Open(const Verb& verb, int& status);
  // Also for a verb that changes the configuration first (the probe always uses the port).
  static std::unique_ptr<VerbLink> Open(const Verb& verb, AppConfig config, int& status);

  LinkService& link() { return link_; }
  LinkMode mode() const { return LinkModeOf(config_.workMode); }
  uint8_t unit() const { return unit_; }
  const AppConfig& config() const { return config_; }

 private:
  VerbLink(const Verb& verb, AppConfig config, uint8_t unit);

  AppConfig config_;
  uint8_t unit_;
  LinkService link_;
  ControllerSession session_;
};

// The device address a verb's requests go to: --id of a hex verb, else the configured one. On bad
// input the dialogs' message goes to stderr.
std::optional<uint8_t> VerbUnit(const Verb& verb, const AppConfig& config);

// A result's texts on stderr ("caption: text" where a caption is named); a failure without a text
// says the tool's text for a failed communication.
void Say(const Result<>& result);
template <typename T>
void Say(const Result<T>& result) {
  Say(result.template As<Nothing>());
}

// The end of a verb: the result's texts on stderr and the exit status its status stands for.
template <typename T>
int Finish(const Result<T>& result) {
  Say(result);
  return ExitStatus(result.status);
}

}  // namespace kaviro::cli
