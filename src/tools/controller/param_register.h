#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/link_service.h"

namespace kaviro {

// How a register exchange of the parameter settings ended.
enum class ParamStatus {
  kOk,
  kRefused,  // the input was refused by its check: nothing sent
  kNoLink,   // serial port not open, or network not connected: nothing sent
  kFailed,   // sent, but no acceptable answer or no confirmation
};

struct ParamReply {
  ParamStatus status = ParamStatus::kFailed;
  std::string message;              // the text to show; empty when there is none
  bool applicationMessage = false;  // shown by the application, not the dialog (network send failure)
  std::vector<uint8_t> answer;      // the accepted answer or confirmation, as a plain RTU frame
                                    // (without CRC on the network)
  bool ok() const { return status == ParamStatus::kOk; }
  // A read's first data word (answer bytes 3 and 4), and its first two as HI-LO (bytes 3 to 6).
  uint16_t Word() const { return GetU16(answer, 3); }
  uint32_t Pair() const { return static_cast<uint32_t>(Word()) << 16 | GetU16(answer, 5); }
  // A single-register write's confirmed value (bytes 4 and 5 of the echo).
  uint16_t EchoedValue() const { return GetU16(answer, 4); }
};

// A reply that carries no answer.
inline ParamReply ParamEnded(ParamStatus status, std::string message, bool applicationMessage = false) {
  ParamReply reply;
  reply.status = status;
  reply.message = std::move(message);
  reply.applicationMessage = applicationMessage;
  return reply;
}

// The controller clock's two registers, high word first; every other parameter is one register.
inline constexpr uint16_t kClockRegister = 0x003E;

// 0x04 for one register, or 0x03 for the clock's two; and the answer's length with its CRC.
RtuFrame ParamReadRequest(uint8_t unit, uint16_t reg);
int ParamReadAnswerLength(uint16_t reg);

// The read waits exactly five steps of 100 ms on the serial line (never less, so that a late
// answer cannot run into the next request), up to 50 receives of 30 ms on the network.
ExchangePolicy ParamReadPolicy();

// A write waits up to five steps of 100 ms for `confirmation` (the echo of a single-register
// write, the standard answer of a 0x10 write), up to 50 receives of 10 ms on the network.
ExchangePolicy ParamWritePolicy(const RtuFrame& confirmation, LinkMode mode);

// One read of `reg` over the link in `mode`, holding the link for the exchange. The reply's
// answer holds the register's data words when it is ok; otherwise its message says why not.
ParamReply ReadParamRegister(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg);
// The same for a caller that already holds link.Mutex().
ParamReply ReadParamRegisterHeld(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg);

// Sends a checked write (0x06, or 0x10 for the clock) and reports "设置成功！" only once the
// controller confirmed it.
ParamReply SendParamWrite(LinkService& link, LinkMode mode, const RtuFrame& write);

// The confirmation the controller gives a write: the echo of 0x06, address 0x10 start count
// for 0x10.
RtuFrame WriteConfirmation(const RtuFrame& write);

inline constexpr const char* kReadFailedText = "读取数据失败！";
// The wireless read's length check, with (expected, joined).
inline constexpr const char* kParamUnpackMismatchText = "3需要数据长度=%d,实际读回数据长度=%d";

}  // namespace kaviro
