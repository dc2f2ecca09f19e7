#include "tools/controller/param_register.h"

#include <algorithm>
#include <mutex>

#include "link/acceptance.h"
#include "link/link_texts.h"
#include "link/radio_packet.h"

namespace kaviro {

namespace {

// The write's local buffer: the longest write (the clock's 13 bytes) and its zeros.
constexpr size_t kWriteBuffer = 17;

ParamReply Accepted(std::span<const uint8_t> answer, const char* message = "") {
  ParamReply reply = ParamEnded(ParamStatus::kOk, message);
  reply.answer.assign(answer.begin(), answer.end());
  return reply;
}

// What the wait looked for on the line: the plain length, or the whole packets that carry it.
int Awaited(LinkMode mode, int expected) { return mode == LinkMode::kWireless ? PacketsFor(expected) : expected; }

// What a read of `reg` asks: its function and how many registers.
struct ReadShape {
  uint8_t function;
  int count;
};
ReadShape ShapeOf(uint16_t reg) {
  return reg == kClockRegister ? ReadShape{fn::kReadHolding, 2} : ReadShape{fn::kReadInput, 1};
}

ParamReply SerialReadReply(const ExchangeResult& r, LinkMode mode, uint8_t unit, uint16_t reg) {
  const int expected = ParamReadAnswerLength(reg);
  if (r.outcome == Outcome::kNotOpen) return ParamEnded(ParamStatus::kNoLink, text::kPortBusy);
  if (r.outcome == Outcome::kUnpackError) return ParamEnded(ParamStatus::kFailed, r.message);
  if (r.tally < Awaited(mode, expected)) return ParamEnded(ParamStatus::kFailed, text::kCommunicationFailed);
  // Enough bytes were counted but never all at one step: nothing was read, and the previous
  // answer must not pass for this one.
  const ReadShape shape = ShapeOf(reg);
  if (r.outcome != Outcome::kAnswered || !AcceptsRegisters(r.answer, unit, shape.function, shape.count, true))
    return ParamEnded(ParamStatus::kFailed, text::kBadAnswer);
  return Accepted(r.answer);
}

ParamReply NetworkReadReply(const ExchangeResult& r, uint8_t unit, uint16_t reg) {
  switch (r.outcome) {
    case Outcome::kAnswered: break;
    case Outcome::kNotConnected: return ParamEnded(ParamStatus::kNoLink, text::kNotConnected);
    case Outcome::kSendFailed: return ParamEnded(ParamStatus::kFailed, text::kSendFailed, true);
    case Outcome::kTimedOut: return ParamEnded(ParamStatus::kFailed, kReadFailedText);
    default: return ParamEnded(ParamStatus::kFailed, text::kBadAnswer);
  }
  // No CRC travels; the unit, the function and the byte count say it answers this request.
  const ReadShape shape = ShapeOf(reg);
  if (!AcceptsRegisters(r.answer, unit, shape.function, shape.count, false))
    return ParamEnded(ParamStatus::kFailed, text::kBadAnswer);
  return Accepted(r.answer);
}

// Bytes read at one step confirm a write when they are the confirmation, followed by nothing but
// the zeros of the write's buffer.
bool Confirms(std::span<const uint8_t> read, std::span<const uint8_t> confirmation) {
  if (read.size() < confirmation.size()) return false;
  return std::equal(confirmation.begin(), confirmation.end(), read.begin()) &&
         std::all_of(read.begin() + static_cast<std::ptrdiff_t>(confirmation.size()), read.end(),
                     [](uint8_t b) { return b == 0; });
}

}  // namespace

RtuFrame ParamReadRequest(uint8_t unit, uint16_t reg) {
  const ReadShape shape = ShapeOf(reg);
  return ReadRegisters(unit, shape.function, reg, static_cast<uint16_t>(shape.count));
}

int ParamReadAnswerLength(uint16_t reg) { return ReadAnswerLength(ShapeOf(reg).count); }

ExchangePolicy ParamReadPolicy() {
  return {.line = wait::AllChecks{.sleepMs = 100, .checks = 5},
          .unpack = unpack::Exact{kParamUnpackMismatchText},
          .net = wait::MatchTransaction{.sleepMs = 30, .checks = 50, .failOnReceiveError = true}};
}

ExchangePolicy ParamWritePolicy(const RtuFrame& confirmation, LinkMode mode) {
  std::vector<uint8_t> expected(confirmation.Bytes().begin(), confirmation.Bytes().end());
  std::function<bool(std::span<const uint8_t>)> judge;
  if (mode == LinkMode::kWireless) {
    judge = [expected](std::span<const uint8_t> read) {
      const Unpacked joined = UnpackAnswer(read);
      return joined.ok() && joined.plain == expected;
    };
  } else {
    judge = [expected](std::span<const uint8_t> read) { return Confirms(read, expected); };
  }
  return {.line = wait::UntilJudged{.sleepMs = 100, .checks = 5, .judge = std::move(judge), .capacity = kWriteBuffer},
          .unpack = unpack::General{},
          .net = wait::MatchTransaction{.sleepMs = 10, .checks = 50, .failOnReceiveError = true}};
}

RtuFrame WriteConfirmation(const RtuFrame& write) {
  if (write.size() < 6 || write[1] != fn::kWriteMultiple) return write;
  const uint8_t body[] = {write[0], write[1], write[2], write[3], write[4], write[5]};
  return RtuFrame::Seal(body);
}

ParamReply ReadParamRegisterHeld(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg) {
  const ExchangeResult r = link.Exchange(mode, ParamReadRequest(unit, reg), ParamReadAnswerLength(reg), ParamReadPolicy());
  return mode == LinkMode::kNetwork ? NetworkReadReply(r, unit, reg) : SerialReadReply(r, mode, unit, reg);
}

ParamReply ReadParamRegister(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg) {
  std::lock_guard lock(link.Mutex());
  return ReadParamRegisterHeld(link, mode, unit, reg);
}

ParamReply SendParamWrite(LinkService& link, LinkMode mode, const RtuFrame& write) {
  const RtuFrame confirmation = WriteConfirmation(write);
  const int expected = static_cast<int>(confirmation.size());
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(mode, write, expected, ParamWritePolicy(confirmation, mode));
  if (mode == LinkMode::kNetwork) {
    switch (r.outcome) {
      case Outcome::kNotConnected: return ParamEnded(ParamStatus::kNoLink, text::kNotConnected);
      case Outcome::kSendFailed: return ParamEnded(ParamStatus::kFailed, text::kSendFailed, true);
      case Outcome::kAnswered: break;
      default: return ParamEnded(ParamStatus::kFailed, text::kSetFailed);
    }
    const std::span<const uint8_t> wanted = confirmation.WithoutCrc();
    if (!std::ranges::equal(r.answer, wanted)) return ParamEnded(ParamStatus::kFailed, text::kSetFailed);
    return Accepted(r.answer, text::kSetOk);
  }
  switch (r.outcome) {
    case Outcome::kNotOpen: return ParamEnded(ParamStatus::kNoLink, text::kPortBusy);
    case Outcome::kAnswered: return Accepted(r.answer.first(std::min(r.answer.size(), confirmation.size())), text::kSetOk);
    case Outcome::kShortRead: return ParamEnded(ParamStatus::kFailed, text::kSetFailed);
    default: break;
  }
  // Nothing worth the name arrived, or bytes came that did not confirm the write.
  return ParamEnded(ParamStatus::kFailed, r.tally < Awaited(mode, expected) ? text::kCommunicationFailed : text::kSetFailed);
}

}  // namespace kaviro
