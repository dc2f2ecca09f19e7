#pragma once
#include <memory>
#include <string>

#include "cli/options.h"
#include "config/app_config.h"
#include "link/link_service.h"
#include "link/link_texts.h"
#include "link/tcp_link.h"

namespace kaviro::cli {

// The link a command works on: the serial port opened, or the network connected.
struct OpenedLink {
  bool ok = false;
  std::string error;               // the tool's own text when the link is not there
  std::string statusLine;          // network: the work-mode line of a fresh connection
  std::shared_ptr<TcpLink> tcp;    // network only
  bool peerClosed = false;         // set by PumpClose once the controller closed the connection
  int connectError = -1;           // the connect event's error; -1 while none came
  // Dispatches pending socket events; true once the controller has closed the connection.
  bool PumpClose();
};

inline constexpr const char* kConnectFailedText = "连接服务器失败!";
inline constexpr const char* kRemoteCloseText = "断开与服务器的连接";

// Opens the serial port (COM mapping or --device) or connects to the controller (waits up to
// `connectTimeoutMs` for the connection).
std::unique_ptr<OpenedLink> OpenLink(LinkService& link, const AppConfig& config, const LinkOverrides& overrides,
                                     int connectTimeoutMs = 5000);

}  // namespace kaviro::cli
