#pragma once
#include <iostream>
#include <memory>
#include <mutex>

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

// Between a write whose answer nobody reads and the read that checks it: the controller's answer
// is given time to come and, on the network, taken off the connection as the window's read
// notification would, so it is not mistaken for the start of the read's answer.
inline constexpr int kReadBackPauseMs = 300;
inline void SettleAfterWrite(LinkService& link) {
  link.clock().SleepMs(kReadBackPauseMs);
  std::lock_guard lock(link.Mutex());
  if (const std::shared_ptr<NetSocket> socket = link.Connection())
    link.inbox().ReceiveFrom(*socket, link.transaction().Current());
}

}  // namespace kaviro::cli
