#include "cli/open_link.h"

#include <arpa/inet.h>

#include <chrono>

#include "monitor/status_line.h"

namespace kaviro::cli {

bool OpenedLink::PumpClose() {
  if (tcp && !peerClosed) tcp->PumpEvents(0);
  return peerClosed;
}

std::unique_ptr<OpenedLink> OpenLink(LinkService& link, const AppConfig& config, const LinkOverrides& overrides,
                                     int connectTimeoutMs) {
  auto opened = std::make_unique<OpenedLink>();
  if (LinkModeOf(config.workMode) != LinkMode::kNetwork) {
    opened->ok = overrides.device ? link.EnsureSerialOpenPath(*overrides.device) : link.EnsureSerialOpen(config.comPort);
    if (!opened->ok) opened->error = text::kPortBusy;
    return opened;
  }

  OpenedLink* raw = opened.get();  // the link lives inside the object it reports to
  opened->tcp = std::make_shared<TcpLink>([raw](int event, int error) {
    if (event == kSocketConnect) raw->connectError = error;
    if (event == kSocketClose) raw->peerClosed = true;
  });
  const int port = overrides.port.value_or(ControllerTcpPort());
  if (opened->tcp->Connect(IpText(config.controllerIp), port)) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(connectTimeoutMs);
    while (opened->connectError < 0 && std::chrono::steady_clock::now() < deadline) opened->tcp->PumpEvents(20);
  }
  std::string ip;
  int peerPort = 0;
  if (opened->connectError != 0 || opened->tcp->PeerName(ip, peerPort) != 0) {
    opened->error = kConnectFailedText;
    opened->tcp.reset();
    return opened;
  }
  link.SetConnection(opened->tcp);
  link.SetConnected(true);
  opened->statusLine = NetworkStatusLine(ip, ntohs(static_cast<uint16_t>(peerPort)), config.deviceId,
                                         config.pollInterval, config.language);
  opened->ok = true;
  return opened;
}

}  // namespace kaviro::cli
