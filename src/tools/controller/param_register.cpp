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

// The network read's and write's texts where their exchange ends short (the send failure is the
// application's message box).
constexpr LinkTexts kNetworkReadTexts{text::kPortBusy, text::kNotConnected, text::kSendFailed, true,
                                      text::kBadAnswer, kReadFailedText, text::kBadAnswer};
constexpr LinkTexts kNetworkWriteTexts{text::kPortBusy, text::kNotConnected, text::kSendFailed, true,
                                       text::kSetFailed, text::kSetFailed, text::kSetFailed};

RegisterWords WordsOf(std::span<const uint8_t> answer, int count) {
  RegisterWords words;
  for (int i = 0; i < count; ++i) words.push_back(GetU16(answer, 3 + 2 * static_cast<size_t>(i)));
  return words;
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

Result<RegisterWords> SerialReadReply(const ExchangeResult& r, LinkMode mode, uint8_t unit, uint16_t reg) {
  const int expected = ParamReadAnswerLength(reg);
  if (r.outcome == Outcome::kNotOpen) return Fail<RegisterWords>(Status::kNotOpen, {text::kPortBusy});
  if (r.outcome == Outcome::kUnpackError) return Fail<RegisterWords>(Status::kBadAnswer, {r.message});
  if (r.tally < Awaited(mode, expected)) return Fail<RegisterWords>(Status::kNoAnswer, {text::kCommunicationFailed});
  // Enough bytes were counted but never all at one step: nothing was read, and the previous
  // answer must not pass for this one.
  const ReadShape shape = ShapeOf(reg);
  if (r.outcome != Outcome::kAnswered || !AcceptsRegisters(r.answer, unit, shape.function, shape.count, true))
    return Fail<RegisterWords>(Status::kBadAnswer, {text::kBadAnswer});
  return Ok(WordsOf(r.answer, shape.count));
}

Result<RegisterWords> NetworkReadReply(const ExchangeResult& r, uint8_t unit, uint16_t reg) {
  if (const auto failed = LinkFailure(r, kNetworkReadTexts)) return failed->As<RegisterWords>();
  // No CRC travels; the unit, the function and the byte count say it answers this request.
  const ReadShape shape = ShapeOf(reg);
  if (!AcceptsRegisters(r.answer, unit, shape.function, shape.count, false))
    return Fail<RegisterWords>(Status::kBadAnswer, {text::kBadAnswer});
  return Ok(WordsOf(r.answer, shape.count));
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

Result<RegisterWords> ReadParamRegisterHeld(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg) {
  const ExchangeResult r = link.Exchange(mode, ParamReadRequest(unit, reg), ParamReadAnswerLength(reg), ParamReadPolicy());
  return mode == LinkMode::kNetwork ? NetworkReadReply(r, unit, reg) : SerialReadReply(r, mode, unit, reg);
}

Result<RegisterWords> ReadParamRegister(LinkService& link, LinkMode mode, uint8_t unit, uint16_t reg) {
  std::lock_guard lock(link.Mutex());
  return ReadParamRegisterHeld(link, mode, unit, reg);
}

Result<> SendParamWrite(LinkService& link, LinkMode mode, const RtuFrame& write) {
  const RtuFrame confirmation = WriteConfirmation(write);
  const int expected = static_cast<int>(confirmation.size());
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(mode, write, expected, ParamWritePolicy(confirmation, mode));
  if (mode == LinkMode::kNetwork) {
    if (const auto failed = LinkFailure(r, kNetworkWriteTexts)) return *failed;
    // Only the exact echo or standard answer confirms: an exception answer is a refusal.
    if (!std::ranges::equal(r.answer, confirmation.WithoutCrc())) return Fail(Status::kNotConfirmed, {text::kSetFailed});
    return Done(text::kSetOk);
  }
  switch (r.outcome) {
    case Outcome::kNotOpen: return Fail(Status::kNotOpen, {text::kPortBusy});
    case Outcome::kAnswered: return Done(text::kSetOk);
    case Outcome::kShortRead: return Fail(Status::kBadAnswer, {text::kSetFailed});
    default: break;
  }
  // Nothing worth the name arrived, or bytes came that did not confirm the write.
  if (r.tally < Awaited(mode, expected)) return Fail(Status::kNoAnswer, {text::kCommunicationFailed});
  return Fail(Status::kNotConfirmed, {text::kSetFailed});
}

}  // namespace kaviro
