#include "tools/console/identification.h"

#include <algorithm>

#include "link/crc16.h"
#include "link/gbk.h"
#include "link/text_format.h"
#include "tools/common/verified_write.h"

namespace kaviro {

namespace {

constexpr uint8_t kReadStream = 0x01;
constexpr uint8_t kUpdate = 0x02;
constexpr size_t kFirstObject = 8;  // address, 2B, 0E, code, conformity, more, next, number
constexpr size_t kCrc = 2;

bool IsIdentification(std::span<const uint8_t> b) {
  return b.size() >= 3 && b[1] == fn::kDeviceIdentification && b[2] == fn::kMeiDeviceIdentification;
}

// Each byte is one character of the code page; zero bytes add nothing.
std::string ObjectText(std::span<const uint8_t> bytes) {
  std::string gbk;
  for (uint8_t b : bytes)
    if (b != 0) gbk += static_cast<char>(b);
  return GbkToUtf8(gbk);
}

IdentificationTexts TakeObjects(std::span<const uint8_t> body) {
  IdentificationTexts texts;
  size_t at = kFirstObject;
  for (std::string& text : texts) {
    if (at + 2 > body.size()) break;
    const size_t length = body[at + 1];
    at += 2;
    const size_t take = std::min(length, body.size() - at);
    text = ObjectText(body.subspan(at, take));
    at += take;
  }
  return texts;
}

}  // namespace

RtuFrame IdentificationRequest(uint8_t unit) { return ReadDeviceIdentification(unit, kReadStream, 0x00); }

IdentificationAnswer HandleDeviceIdentification(std::span<const uint8_t> bytes, int count, bool network) {
  const size_t counted = std::clamp<int>(network ? count - static_cast<int>(kCrc) : count, 0, static_cast<int>(bytes.size()));
  const std::span<const uint8_t> shown = bytes.first(counted);
  IdentificationAnswer answer;
  answer.answerText = HexBytes(shown);
  if (!IsIdentification(shown)) return answer;
  if (!network && !HasValidCrc(shown)) return answer;
  answer.objects = TakeObjects(network ? shown : shown.first(shown.size() - kCrc));
  return answer;
}

Result<IdentificationAnswer> ReadIdentification(LinkService& link, LinkMode mode, uint8_t unit) {
  const ConsoleReply reply = ConsoleRead(link, mode, IdentificationRequest(unit), 0, ResponseKind::kDeviceIdentification);
  const auto shown = [&](IdentificationAnswer answer) {
    Result<IdentificationAnswer> read = reply.failure.As<IdentificationAnswer>();
    read.status = answer.objects ? Status::kOk : Status::kBadAnswer;
    read.value = std::move(answer);
    return read;
  };
  if (mode == LinkMode::kNetwork) {
    if (!reply.answered) return reply.failure.As<IdentificationAnswer>();
    return shown(HandleDeviceIdentification(reply.answer, reply.count, true));
  }
  // Only an answer that ended in quiet is looked at, and only when it starts like one from the
  // device asked; the packets are joined after that.
  const bool quiet = reply.outcome == Outcome::kIdle || reply.outcome == Outcome::kUnpackError;
  if (!quiet) return reply.failure.As<IdentificationAnswer>();
  const std::span<const uint8_t> raw = reply.raw;
  if (raw.size() < 3 || raw[0] != unit || !IsIdentification(raw)) return Fail<IdentificationAnswer>(Status::kBadAnswer);
  if (!reply.answered) return reply.failure.As<IdentificationAnswer>();
  return shown(HandleDeviceIdentification(reply.answer, static_cast<int>(reply.answer.size()), false));
}

Result<IdentificationTexts> SetIdentificationVerified(LinkService& link, LinkMode mode, uint8_t unit,
                                                      const RtuFrame& write, const IdentificationTexts& texts) {
  const auto text = [](const IdentificationTexts& t) {
    std::string all;
    for (const std::string& field : t) all += (all.empty() ? "" : "|") + field;
    return all;
  };
  return WriteAndVerify<IdentificationTexts>(
      link, mode,
      {.write = [&] { return SendWithoutReply(link, mode, write); },
       .settleMs = kUnreadWriteSettleMs,
       .readBack = [&] {
         const Result<IdentificationAnswer> read = ReadIdentification(link, mode, unit);
         Result<IdentificationTexts> objects = read.As<IdentificationTexts>();
         if (read.value) objects.value = read.value->objects;
         return objects;
       },
       // An empty field is not sent, so it keeps what the controller had.
       .same = [&](const IdentificationTexts& read) {
         for (size_t i = 0; i < kIdentificationObjects; ++i)
           if (!texts[i].empty() && texts[i] != read[i]) return false;
         return true;
       },
       .shown = text,
       .written = [&] { return text(texts); }});
}

Result<RtuFrame> BuildIdentificationUpdate(uint8_t unit, const IdentificationTexts& texts) {
  std::array<std::string, kIdentificationObjects> gbk;
  for (size_t i = 0; i < kIdentificationObjects; ++i) {
    const IdentificationField& f = kIdentificationFields[i];
    gbk[i] = Utf8ToGbk(texts[i]);
    const bool fits = f.exact ? gbk[i].size() == f.bytes : gbk[i].size() <= f.bytes;
    if (!fits) return ConsoleRefusal<RtuFrame>(f.refusal, kIdentificationCaption);
  }
  std::vector<uint8_t> fields;
  uint8_t sent = 0;
  for (size_t i = 0; i < kIdentificationObjects; ++i) {
    if (gbk[i].empty()) continue;
    ++sent;
    fields.push_back(static_cast<uint8_t>(i));
    fields.push_back(static_cast<uint8_t>(gbk[i].size()));
    fields.insert(fields.end(), gbk[i].begin(), gbk[i].end());
  }
  // N counts the bytes from the 00 before K up to the CRC.
  const auto n = static_cast<uint8_t>(2 + fields.size());
  std::vector<uint8_t> body{unit, fn::kDeviceIdentification, fn::kMeiDeviceIdentification, kUpdate, 0x00, n, 0x00, sent};
  body.insert(body.end(), fields.begin(), fields.end());
  return Ok(RtuFrame::Seal(body));
}

}  // namespace kaviro
