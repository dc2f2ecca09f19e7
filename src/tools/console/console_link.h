#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/link_service.h"
#include "tools/common/result.h"

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
  Result<> failure;             // how the exchange fell short (its text, if any), when it did
  std::vector<uint8_t> raw;     // as collected: packets in wireless mode, header and all on the network
  std::vector<uint8_t> answer;  // the plain frame: as received (CRC included), or address and PDU
  int count = 0;                // counted like an RTU frame with its CRC, also on the network
  std::string message() const { return failure.Text(); }
};

inline constexpr const char* kReceiveErrorText = "接收数据错误！";

// The console's texts where an exchange ends short of an answer.
extern const LinkTexts kConsoleLinkTexts;

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
// advances after a complete send).
Result<> SendWithoutReply(LinkService& link, LinkMode mode, const RtuFrame& frame);

// A reply through its handler, or the failure it ended in.
template <typename T>
Result<T> HandleReply(const ConsoleReply& r, Result<T> (*handler)(std::span<const uint8_t>, int, uint8_t, bool),
                      uint8_t unit, LinkMode mode) {
  if (!r.answered) return r.failure.template As<T>();
  return handler(r.answer, r.count, unit, mode == LinkMode::kNetwork);
}

// A refused console input: its text (and caption), nothing sent.
template <typename T = Nothing>
Result<T> ConsoleRefusal(const char* text, const char* caption = "") {
  return Fail<T>(Status::kRefused, {text, caption});
}

}  // namespace kaviro
