#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/link_service.h"
#include "tools/common/result.h"
#include "tools/relay/rd_decode.h"

namespace kaviro {

// The RD is reached through the controller's network side only: frames with protocol id 0x0101
// to the RD's own unit address, on the main window's connection.

// What the RD dialog remembers for the rest of the program run.
struct RelayMemory {
  std::string lastRdModbusId;  // the ModbusID as last remembered; a ModbusID change is sent there
  int rdInfoReadCount = 0;     // "RD读信息" answers decoded
};
RelayMemory& ProcessRelayMemory();

// The hidden request builder ("内部命令"): device, function, address, count or data, ASCII data.
struct RdBuilderTexts {
  std::string device, function, address, countOrData, ascii;
};

// The builder's fields as numbers.
struct RdCommand {
  uint8_t unit = 0;
  uint8_t function = 0;
  uint16_t address = 0;
  uint16_t countOrData = 0;
  std::string ascii;
};

// The standard base-16 conversion: leading blanks, a sign and 0x are accepted, it stops at the
// first character that is not a hex digit, and an empty text is 0.
unsigned long HexTextValue(std::string_view text);
RdCommand ParseRdCommand(const RdBuilderTexts& texts);

// Function 0x10's data area: a zero byte, then the ASCII data's bytes (pairs of hex digits; a
// pair that is 0 adds no byte), zero-filled. At most kRdMaxWriteRegisters fit behind the zero.
inline constexpr size_t kRdDataArea = 16;
inline constexpr int kRdMaxWriteRegisters = 7;
using RdDataBytes = std::array<uint8_t, kRdDataArea>;
RdDataBytes RdDataArea(std::string_view ascii, int count);

// The RD's requests as frames: two 16-bit fields (12 bytes on the wire; 11 for 0x2B, whose
// second field is one byte), and a 0x10 write of `count` registers from `data` (13 + 2n).
RtuFrame RdRequestFrame(uint8_t unit, uint8_t function, uint16_t field1, uint16_t field2);
RtuFrame RdWriteMultipleFrame(uint8_t unit, uint16_t start, uint16_t count, std::span<const uint8_t> data);

// Up to 100 receives of 30 ms for the answer with the current transaction id.
ExchangePolicy RdExchangePolicy();

inline constexpr size_t kRdAnswerArea = 512;

// The two senders, each holding the link for its exchange: the answer behind its header (unit,
// function, data), at most kRdAnswerArea bytes.
using RdBytes = std::vector<uint8_t>;
Result<RdBytes> SendRdRequest(LinkService& link, uint8_t unit, uint8_t function, uint16_t field1, uint16_t field2);
Result<RdBytes> SendRdWriteMultiple(LinkService& link, uint8_t unit, uint16_t start, uint16_t count,
                                    std::span<const uint8_t> data);

// An RD answer as the dialog shows it.
struct RdAnswer {
  RdCommand command;  // what the builder's texts were parsed into
  RdBytes bytes;      // the answer: unit, function, data
  std::string dump;   // "%02X " per byte ("返回数据:")
  RdDecoded decoded;  // the result text ("实际数据:") and what the controls show
  // A single write is confirmed by its echo: the request's unit, function, address and value.
  bool Echoes() const;
};

// A register read's first data word; nothing for an answer that is no register read.
std::optional<uint16_t> RdRegisterWord(const RdAnswer& answer);

// Parses the builder, sends, and decodes the answer; an information answer also updates `memory`.
// An exception answer, or one too short for what its request reads, is "返回数据错误！".
Result<RdAnswer> RunInternalCommand(LinkService& link, const RdBuilderTexts& texts, RelayMemory& memory);

inline constexpr const char* kRdTooManyRegistersText = "写多字节数据最多7个寄存器，请重新输入数量";

}  // namespace kaviro
