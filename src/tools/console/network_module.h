#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/link_service.h"
#include "tools/console/console_link.h"

namespace kaviro {

// The controller's Ethernet settings: MAC at 0x3000 (three registers), then at 0x3010 the
// address mode, the listening port and the IP address, mask and gateway (eight registers).
// Addresses hold the first octet in the most significant byte.
struct NetworkSettings {
  uint16_t mode = 1;  // 0: obtain automatically, other: static
  int port = 0;
  uint32_t ip = 0;
  uint32_t mask = 0;
  uint32_t gateway = 0;
  bool operator==(const NetworkSettings&) const = default;
};

RtuFrame MacReadRequest(uint8_t unit);
RtuFrame NetworkReadRequest(uint8_t unit);

// Handlers: the register answer check, then the values. `count` as the reply counts it.
struct MacAnswer {
  std::optional<std::string> mac;  // twelve lower-case hex digits
  std::string message;
};
MacAnswer HandleMacAddress(std::span<const uint8_t> b, int count, uint8_t unit, bool network);

struct NetworkSettingsAnswer {
  std::optional<NetworkSettings> settings;
  std::string message;
};
NetworkSettingsAnswer HandleNetworkSettings(std::span<const uint8_t> b, int count, uint8_t unit, bool network);

// Reads in `mode`; the message is the link's or the handler's.
MacAnswer ReadMac(LinkService& link, LinkMode mode, uint8_t unit);
NetworkSettingsAnswer ReadNetworkSettings(LinkService& link, LinkMode mode, uint8_t unit);

// Twelve hex characters, either case.
ConsoleWrite BuildMacWrite(uint8_t unit, const std::string& text);
// Port 1 to 65535; in static mode no address may be 0.0.0.0. The mode goes as its low byte.
ConsoleWrite BuildNetworkWrite(uint8_t unit, const NetworkSettings& settings);

std::string DottedAddress(uint32_t address);

// An address field with an empty or oversized octet: the page's format message, nothing sent.
inline constexpr const char* kAddressFormatRefusal = "数据格式错误，不能都为0!";

}  // namespace kaviro
