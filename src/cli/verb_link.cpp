#include "cli/verb_link.h"

#include "cli/commands.h"
#include "link/link_texts.h"

namespace kaviro::cli {

std::optional<uint8_t> VerbUnit(const Verb& verb, const AppConfig& config) {
  if (!verb.IsHexId()) return static_cast<uint8_t>(config.deviceId & 0xFF);
  return verb.HexUnit(config);
}

VerbLink::VerbLink(const Verb& verb, AppConfig config, uint8_t unit)
    : config_(std::move(config)), unit_(unit), session_(link_, config_, verb.link) {}

std::unique_ptr<VerbLink> VerbLink::Open(const Verb& verb, int& status) { return Open(verb, verb.Config(), status); }

std::unique_ptr<VerbLink> VerbLink::Open(const Verb& verb, AppConfig config, int& status) {
  const std::optional<uint8_t> unit = VerbUnit(verb, config);
  if (!unit) {
    status = kExitUsage;
    return nullptr;
  }
  std::unique_ptr<VerbLink> opened(new VerbLink(verb, std::move(config), *unit));
  if (!opened->session_.Open()) {
    std::cerr << opened->session_.Error() << '\n';
    status = kExitNoLink;
    return nullptr;
  }
  return opened;
}

void Say(const Result<>& result) {
  for (const Notice& n : result.notices) std::cerr << (n.caption.empty() ? "" : n.caption + ": ") << n.text << '\n';
  if (!result.ok() && result.status != Status::kRefused && result.notices.empty())
    std::cerr << text::kCommunicationFailed << '\n';
}

}  // namespace kaviro::cli
