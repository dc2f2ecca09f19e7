#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/link_service.h"
#include "tools/console/console_link.h"

namespace kaviro {

// The controller's 2.4 GHz radio block at 0x3040 (nine registers): its own 5-byte address, a
// spare byte, the RD's address and link switch, the RTS's address and link switch. Addresses are
// ten hex characters (lower case as read).
struct WirelessConfig {
  std::string controller;
  std::string rd;
  bool rdOn = false;
  std::string rts;
  bool rtsOn = false;
  bool operator==(const WirelessConfig&) const = default;
};

// The nine registers from 0x3040 as the block holds them, and back; nothing when an address is
// not ten hex characters.
inline constexpr size_t kWirelessConfigWords = 9;
std::optional<std::vector<uint16_t>> WirelessConfigWords(const WirelessConfig& config);
WirelessConfig WirelessConfigOf(std::span<const uint16_t, kWirelessConfigWords> words);
// The addresses and switches on one line, as the command line prints a read back.
std::string WirelessConfigText(const WirelessConfig& config);

RtuFrame WirelessReadRequest(uint8_t unit);

Result<WirelessConfig> HandleWirelessConfig(std::span<const uint8_t> b, int count, uint8_t unit, bool network);
Result<WirelessConfig> ReadWirelessConfig(LinkService& link, LinkMode mode, uint8_t unit);

// Each address exactly ten hex characters, checked in the order controller, RD, RTS.
Result<RtuFrame> BuildWirelessWrite(uint8_t unit, const WirelessConfig& config);
// The command line's write: sent, read back and compared (the addresses as lower-case hex).
Result<WirelessConfig> SetWirelessVerified(LinkService& link, LinkMode mode, uint8_t unit, const RtuFrame& write,
                                           const WirelessConfig& wanted);

// Register 0x0040, the controller's own Modbus address.
RtuFrame ModbusAddressRequest(uint8_t unit);
RtuFrame ModbusAddressWrite(uint8_t unit, uint8_t newAddress);

// Serial and wireless: the first batch of bytes is the answer, judged by its CRC alone.
Result<int> ReadModbusAddress(LinkService& link, LinkMode mode, uint8_t unit);
// What the display button says after a read.
std::string ModbusAddressCaption(int address);

// One to three decimal digits, 1 to 247.
std::optional<uint8_t> ParseModbusAddressText(const std::string& text);
inline constexpr const char* kModbusAddressRefusal = "输入数据错误，请重新输入！";

// Serial and wireless send without reading; the network waits one receive of 10 ms for the echo.
// The message to show, or empty.
ExchangePolicy ModbusAddressWritePolicy();
Result<> WriteModbusAddress(LinkService& link, LinkMode mode, uint8_t unit, uint8_t newAddress);
// The command line's write: sent, then the address read back at the new address.
Result<int> SetModbusAddressVerified(LinkService& link, LinkMode mode, uint8_t unit, uint8_t newAddress);

}  // namespace kaviro
