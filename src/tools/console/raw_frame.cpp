#include "tools/console/raw_frame.h"

#include <algorithm>

#include "link/text_format.h"
#include "tools/common/address_entry.h"
#include "tools/console/console_link.h"

namespace kaviro {

namespace {

struct HexField {
  size_t length;
  const char* lengthText;
  const char* hexText;
};

constexpr HexField kAddressField{2, kAddressLengthText, kAddressHexText};
constexpr HexField kFunctionField{2, "ModBus命令字，只能输入两个16进制字符，开头可以是0，例如：01",
                                  "ModBus命令字，16进制数据请输入0~9或a~f或A~F的值。"};
constexpr HexField kStartField{4, "寄存器地址只能输入4个16进制字符,例如：0001",
                               "ModBus寄存器地址，16进制数据请输入0~9或a~f或A~F的值。"};
constexpr HexField kValueField{4, "ModBus值，只能输入4个16进制字符,例如：0005",
                               "ModBus值，16进制数据请输入0~9或a~f或A~F的值。"};

bool AppendField(const HexField& field, const std::string& text, std::vector<uint8_t>& body, std::string& message) {
  if (CharacterCount(text) != field.length) {
    message = field.lengthText;
    return false;
  }
  if (!HexTextToBytes(text, body)) {
    message = field.hexText;
    return false;
  }
  return true;
}

struct Hint {
  const char* code;
  const char* text;
};

constexpr Hint kHints[] = {
    {"03", "16进制,将要读取寄存器的个数"},
    {"04", "16进制,将要读取寄存器的个数"},
    {"05", "16进制，控制COILS,执行输入FF00,不执行输入0000"},
    {"06", "16进制，将要写入EEPROM寄存器的值"},
};

}  // namespace

Result<ComposedFrame> ComposeRawFrame(const RawFields& fields) {
  std::vector<uint8_t> body;
  std::string message;
  const std::pair<const HexField&, const std::string&> steps[] = {
      {kAddressField, fields.address}, {kFunctionField, fields.function},
      {kStartField, fields.start},     {kValueField, fields.value}};
  for (const auto& [field, text] : steps)
    if (!AppendField(field, text, body, message)) return Fail<ComposedFrame>(Status::kRefused, {message});
  ComposedFrame composed{RtuFrame::Seal(body), {}, {}};
  composed.crcText = Format("%02X%02X", composed.frame[7], composed.frame[6]);
  composed.frameText = HexBytes(composed.frame.Bytes());
  return Ok(composed);
}

uint8_t RawExpectedLength(const RtuFrame& frame) {
  const uint8_t function = frame[1];
  if (function == fn::kWriteCoil || function == fn::kWriteRegister) return 8;
  return static_cast<uint8_t>(2 * frame[5] + 5);
}

Result<std::string> SendRawFrame(LinkService& link, LinkMode mode, const RtuFrame& frame) {
  const ConsoleReply reply = ConsoleRead(link, mode, frame, RawExpectedLength(frame), ResponseKind::kRawDisplay);
  if (!reply.answered) return reply.failure.As<std::string>();
  // Serial: everything read, CRC included; network: address and PDU, as many as the header counts.
  return Ok(HexBytes(reply.answer));
}

const char* RawFunctionHint(const std::string& code) {
  for (const Hint& h : kHints)
    if (code == h.code) return h.text;
  return nullptr;
}

std::optional<RawFields> RawFieldsOf(std::span<const uint8_t> request) {
  if (request.size() != 8) return std::nullopt;
  const std::string function = Format("%02X", request[1]);
  if (std::find(std::begin(kRawFunctionCodes), std::end(kRawFunctionCodes), function) == std::end(kRawFunctionCodes))
    return std::nullopt;
  return RawFields{Format("%02X", request[0]), function, Format("%04X", GetU16(request, 2)),
                   Format("%04X", GetU16(request, 4))};
}

}  // namespace kaviro
