#pragma once
#include <iostream>
#include <memory>

#include "cli/open_link.h"

namespace kaviro::cli {

// Opens the link; when it is not there, says why on stderr and gives nothing.
inline std::unique_ptr<OpenedLink> OpenLinkOrSay(LinkService& link, const AppConfig& config,
                                                 const LinkOverrides& overrides) {
  std::unique_ptr<OpenedLink> opened = OpenLink(link, config, overrides);
  if (opened->ok) return opened;
  std::cerr << opened->error << '\n';
  return nullptr;
}

}  // namespace kaviro::cli
