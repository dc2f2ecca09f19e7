#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

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

// The eight registers from 0x3010 as the settings hold them, and back.
inline constexpr size_t kNetworkSettingsWords = 8;
std::vector<uint16_t> NetworkSettingsWords(const NetworkSettings& settings);
NetworkSettings NetworkSettingsOf(std::span<const uint16_t, kNetworkSettingsWords> words);

RtuFrame MacReadRequest(uint8_t unit);
RtuFrame NetworkReadRequest(uint8_t unit);

// Handlers: the register answer check, then the values (the MAC as twelve lower-case hex
// digits). `count` as the reply counts it.
Result<std::string> HandleMacAddress(std::span<const uint8_t> b, int count, uint8_t unit, bool network);
Result<NetworkSettings> HandleNetworkSettings(std::span<const uint8_t> b, int count, uint8_t unit, bool network);

// Reads in `mode`; the texts are the link's or the handler's.
Result<std::string> ReadMac(LinkService& link, LinkMode mode, uint8_t unit);
Result<NetworkSettings> ReadNetworkSettings(LinkService& link, LinkMode mode, uint8_t unit);

// Twelve hex characters, either case.
Result<RtuFrame> BuildMacWrite(uint8_t unit, const std::string& text);
// Port 1 to 65535; in static mode no address may be 0.0.0.0. The mode goes as its low byte.
Result<RtuFrame> BuildNetworkWrite(uint8_t unit, const NetworkSettings& settings);

// The command line's writes: the frame sent, then read back and compared (in automatic mode the
// controller may report the addresses it obtained, so only the mode and the port are compared).
Result<std::string> SetMacVerified(LinkService& link, LinkMode mode, uint8_t unit, const RtuFrame& write,
                                   const std::string& typed);
Result<NetworkSettings> SetNetworkVerified(LinkService& link, LinkMode mode, uint8_t unit, const RtuFrame& write,
                                           const NetworkSettings& wanted);
std::string NetworkSettingsText(const NetworkSettings& s);

std::string DottedAddress(uint32_t address);

// An address field with an empty or oversized octet: the page's format message, nothing sent.
inline constexpr const char* kAddressFormatRefusal = "数据格式错误，不能都为0!";

}  // namespace kaviro
