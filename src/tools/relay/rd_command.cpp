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

RdReply Ended(RdStatus status, std::string message, bool applicationMessage = false) {
  RdReply reply;
  reply.status = status;
  reply.message = std::move(message);
  reply.applicationMessage = applicationMessage;
  return reply;
}

RdReply ExchangeRd(LinkService& link, const RtuFrame& request) {
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, request, 0, RdExchangePolicy());
  switch (r.outcome) {
    case Outcome::kNotConnected: return Ended(RdStatus::kNoLink, text::kNotConnected);
    case Outcome::kSendFailed: return Ended(RdStatus::kFailed, text::kSendFailed, true);
    // The length field is not looked at: what came behind the header is the answer.
    case Outcome::kAnswered:
    case Outcome::kBadLength: break;
    default: return Ended(RdStatus::kFailed, text::kBadAnswer);
  }
  // A header with nothing behind it is no answer: the previous one must not pass for it.
  if (r.raw.size() <= kNetworkHeader) return Ended(RdStatus::kFailed, text::kBadAnswer);
  RdReply reply = Ended(RdStatus::kOk, {});
  const auto body = r.raw.subspan(kNetworkHeader);
  reply.answer.assign(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(std::min(body.size(), kRdAnswerArea)));
  return reply;
}

}  // namespace

RdReply SendRdRequest(LinkService& link, uint8_t unit, uint8_t function, uint16_t field1, uint16_t field2) {
  return ExchangeRd(link, RdRequestFrame(unit, function, field1, field2));
}

RdReply SendRdWriteMultiple(LinkService& link, uint8_t unit, uint16_t start, uint16_t count,
                            std::span<const uint8_t> data) {
  return ExchangeRd(link, RdWriteMultipleFrame(unit, start, count, data));
}

RdRun RunInternalCommand(LinkService& link, const RdBuilderTexts& texts, RelayMemory& memory) {
  RdRun run;
  run.command = ParseRdCommand(texts);
  const RdCommand& c = run.command;
  RdDataBytes area{};
  if (c.function == fn::kWriteMultiple) {
    if (c.countOrData > kRdMaxWriteRegisters) {
      run.reply = Ended(RdStatus::kRefused, kRdTooManyRegistersText);
      return run;
    }
    area = RdDataArea(c.ascii, c.countOrData);
    run.reply = SendRdWriteMultiple(link, c.unit, c.address, c.countOrData, area);
  } else {
    run.reply = SendRdRequest(link, c.unit, c.function, c.address, c.countOrData);
  }
  if (!run.reply.ok()) return run;

  // An exception answer, or one too short for what its request reads, answers nothing: none of
  // the zeros it would decode to may reach a control or the remembered addresses.
  const std::vector<uint8_t>& answer = run.reply.answer;
  RdDecoded decoded = DecodeRdAnswer(c.address, c.function, answer, std::span(area).subspan<1, 5>());
  if (answer.size() < 2 || answer[1] != c.function || decoded.shortAnswer) {
    run.reply = Ended(RdStatus::kFailed, text::kBadAnswer);
    return run;
  }
  run.dump = HexBytes(answer);
  run.decoded = std::move(decoded);
  if (RdInfo* info = run.decoded.info ? &*run.decoded.info : nullptr) {
    memory.lastRdModbusId = info->modbusIdText;
    info->readCount = ++memory.rdInfoReadCount;
  }
  return run;
}

}  // namespace kaviro
