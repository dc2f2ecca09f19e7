#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/link_service.h"
#include "tools/common/result.h"

namespace kaviro {

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

// One read of `reg` over the link in `mode`, holding the link for the exchange: the register's
// data words (two for the clock, high word first), or why not.
using RegisterWords = std::vector<uint16_t>;
Result<RegisterWords> ReadParamRegister(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg);
// The same for a caller that already holds link.Mutex().
Result<RegisterWords> ReadParamRegisterHeld(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg);

// Sends a checked write (0x06, or 0x10 for the clock and the custom battery row) and reports
// "设置成功！" only once the controller confirmed it.
Result<> SendParamWrite(LinkService& link, LinkMode mode, const RtuFrame& write);

// The confirmation the controller gives a write: the echo of 0x06, address 0x10 start count
// for 0x10.
RtuFrame WriteConfirmation(const RtuFrame& write);

inline constexpr const char* kReadFailedText = "读取数据失败！";
// The wireless read's length check, with (expected, joined).
inline constexpr const char* kParamUnpackMismatchText = "3需要数据长度=%d,实际读回数据长度=%d";

}  // namespace kaviro
