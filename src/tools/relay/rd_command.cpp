#include "tools/relay/rd_command.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/common/address_entry.h"

namespace kaviro {

RelayMemory& ProcessRelayMemory() {
  static RelayMemory memory;
  return memory;
}

unsigned long HexTextValue(std::string_view text) {
  const std::string s(text);
  return std::strtoul(s.c_str(), nullptr, 16);
}

RdCommand ParseRdCommand(const RdBuilderTexts& texts) {
  RdCommand c;
  c.unit = static_cast<uint8_t>(HexTextValue(texts.device) & 0xFF);
  c.function = static_cast<uint8_t>(HexTextValue(texts.function) & 0xFF);
  c.address = static_cast<uint16_t>(HexTextValue(texts.address) & 0xFFFF);
  c.countOrData = static_cast<uint16_t>(HexTextValue(texts.countOrData) & 0xFFFF);
  c.ascii = texts.ascii;
  return c;
}

RdDataBytes RdDataArea(std::string_view ascii, int count) {
  std::vector<uint8_t> converted;
  HexTextToBytes(std::string(ascii), converted);  // what converted before a bad pair stays
  std::erase(converted, uint8_t{0});
  RdDataBytes area{};
  const size_t take = std::min({converted.size(), static_cast<size_t>(std::max(count, 0)) * 2, kRdDataArea - 1});
  std::copy_n(converted.begin(), take, area.begin() + 1);
  return area;
}

RtuFrame RdRequestFrame(uint8_t unit, uint8_t function, uint16_t field1, uint16_t field2) {
  std::vector<uint8_t> body{unit, function};
  PutU16(body, field1);
  if (function == fn::kDeviceIdentification) body.push_back(static_cast<uint8_t>(field2 & 0xFF));
  else PutU16(body, field2);
  return RtuFrame::Seal(body);
}

RtuFrame RdWriteMultipleFrame(uint8_t unit, uint16_t start, uint16_t count, std::span<const uint8_t> data) {
  return WriteRegisters(unit, start, data.first(std::min<size_t>(data.size(), 2u * count)));
}

ExchangePolicy RdExchangePolicy() {
  return {.net = wait::MatchTransaction{.sleepMs = 30, .checks = 100}, .protocol = Protocol::kRelay};
}

namespace {

constexpr LinkTexts kRdTexts{text::kPortBusy, text::kNotConnected, text::kSendFailed, true, text::kBadAnswer,
                             text::kBadAnswer, text::kBadAnswer};

Result<RdBytes> ExchangeRd(LinkService& link, const RtuFrame& request) {
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, request, 0, RdExchangePolicy());
  // The length field is not looked at: what came behind the header is the answer.
  if (r.outcome != Outcome::kBadLength)
    if (const auto failed = LinkFailure(r, kRdTexts)) return failed->As<RdBytes>();
  // A header with nothing behind it is no answer: the previous one must not pass for it.
  if (r.raw.size() <= kNetworkHeader) return Fail<RdBytes>(Status::kBadAnswer, {text::kBadAnswer});
  const auto body = r.raw.subspan(kNetworkHeader);
  return Ok(RdBytes(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(std::min(body.size(), kRdAnswerArea))));
}

}  // namespace

Result<RdBytes> SendRdRequest(LinkService& link, uint8_t unit, uint8_t function, uint16_t field1, uint16_t field2) {
  return ExchangeRd(link, RdRequestFrame(unit, function, field1, field2));
}

Result<RdBytes> SendRdWriteMultiple(LinkService& link, uint8_t unit, uint16_t start, uint16_t count,
                                    std::span<const uint8_t> data) {
  return ExchangeRd(link, RdWriteMultipleFrame(unit, start, count, data));
}

bool RdAnswer::Echoes() const {
  const RtuFrame request = RdRequestFrame(command.unit, command.function, command.address, command.countOrData);
  return std::ranges::equal(bytes, request.WithoutCrc());
}

std::optional<uint16_t> RdRegisterWord(const RdAnswer& answer) {
  const RdBytes& a = answer.bytes;
  if (a.size() < 5 || a[1] != fn::kReadHolding) return std::nullopt;
  return GetU16(a, 3);
}

Result<RdAnswer> RunInternalCommand(LinkService& link, const RdBuilderTexts& texts, RelayMemory& memory) {
  const RdCommand c = ParseRdCommand(texts);
  RdDataBytes area{};
  Result<RdBytes> sent;
  if (c.function == fn::kWriteMultiple) {
    if (c.countOrData > kRdMaxWriteRegisters) return Fail<RdAnswer>(Status::kRefused, {kRdTooManyRegistersText});
    area = RdDataArea(c.ascii, c.countOrData);
    sent = SendRdWriteMultiple(link, c.unit, c.address, c.countOrData, area);
  } else {
    sent = SendRdRequest(link, c.unit, c.function, c.address, c.countOrData);
  }
  if (!sent.ok()) return sent.As<RdAnswer>();

  // An exception answer, or one too short for what its request reads, answers nothing: none of
  // the zeros it would decode to may reach a control or the remembered addresses.
  const RdBytes& answer = *sent.value;
  RdDecoded decoded = DecodeRdAnswer(c.address, c.function, answer, std::span(area).subspan<1, 5>());
  if (answer.size() < 2 || answer[1] != c.function || decoded.shortAnswer)
    return Fail<RdAnswer>(Status::kBadAnswer, {text::kBadAnswer});
  if (RdInfo* info = decoded.info ? &*decoded.info : nullptr) {
    memory.lastRdModbusId = info->modbusIdText;
    info->readCount = ++memory.rdInfoReadCount;
  }
  return Ok(RdAnswer{c, answer, HexBytes(answer), std::move(decoded)});
}

}  // namespace kaviro
