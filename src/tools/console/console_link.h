#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/link_service.h"

namespace kaviro {

// Which answer handler of the test console a request is for. The kind also picks how a serial
// or wireless read waits; on the network every kind waits alike.
enum class ResponseKind {
  kRawDisplay,
  kDeviceIdentification,
  kNetworkSettings,
  kMacAddress,
  kWirelessConfig,
  kModbusAddress,
};

// What one console read brought back, copied out of the link so that its handler runs (and
// shows messages) without holding the link.
struct ConsoleReply {
  Outcome outcome = Outcome::kTimedOut;
  bool answered = false;        // there is an answer for the handler
  std::string message;          // what the link has to say to the user, if anything
  std::vector<uint8_t> raw;     // as collected: packets in wireless mode, header and all on the network
  std::vector<uint8_t> answer;  // the plain frame: as received (CRC included), or address and PDU
  int count = 0;                // counted like an RTU frame with its CRC, also on the network
};

// A text for the user, under the application title unless a caption is named.
struct Notice {
  std::string text;
  std::string caption;
  bool empty() const { return text.empty(); }
};

// A write frame built from the user's input, or why the input is refused.
struct ConsoleWrite {
  std::optional<RtuFrame> frame;
  Notice refusal;
};

inline constexpr const char* kReceiveErrorText = "接收数据错误！";

// Serial and wireless waits per kind; the network part is the console's 50 receives 10 ms apart,
// ended by a receive error.
ExchangePolicy ConsoleReadPolicy(ResponseKind kind);

// Network mode: the request (its CRC stays behind) and the answer carrying the current
// transaction id, for the handler of `kind`.
ConsoleReply NetworkTransaction(LinkService& link, const RtuFrame& request, ResponseKind kind);

// Any mode: the request sent the console's way and the reply collected by the rule of `kind`;
// `expected` is the plain answer length the serial side waits for.
ConsoleReply ConsoleRead(LinkService& link, LinkMode mode, const RtuFrame& request, int expected, ResponseKind kind);

// Sends in `mode` and reads no answer: serial as is, wireless in packets, network framed (the id
// advances after a complete send). The message to show, or empty.
std::string SendWithoutReply(LinkService& link, LinkMode mode, const RtuFrame& frame);

// The message the console shows for an exchange that ended in `outcome` (empty: none).
std::string OutcomeMessage(Outcome outcome, const std::string& unpackMessage);

}  // namespace kaviro
