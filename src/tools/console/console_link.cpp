#include "tools/console/console_link.h"

#include <mutex>

#include "link/link_texts.h"

namespace kaviro {

namespace {

using wait::Gather;

struct KindWait {
  ResponseKind kind;
  LineWait wait;
  bool quietEndsAnswer = false;  // the quiet rule is how this read normally ends
};

// How each console read waits on the serial line.
const KindWait kWaits[] = {
    // 100 checks of 10 ms; once the expected length waits, everything waiting is the answer.
    {ResponseKind::kRawDisplay, wait::UntilBytes{.sleepMs = 10, .checks = 100, .take = wait::UntilBytes::Take::kAll}},
    // Gathered until three quiet checks in a row, at most 25 checks of 100 ms.
    {ResponseKind::kDeviceIdentification, Gather{.sleepMs = 100, .checks = 25, .quiet = 3, .untilComplete = false}, true},
    // Gathered until complete; more than three quiet checks in a row end the read.
    {ResponseKind::kNetworkSettings, Gather{.sleepMs = 100, .checks = 10, .quiet = 4}},
    {ResponseKind::kMacAddress, Gather{.sleepMs = 100, .checks = 5, .quiet = 4}},
    {ResponseKind::kWirelessConfig, Gather{.sleepMs = 100, .checks = 20}},
    // Read with an expected length of 0: the first batch that arrives is the answer.
    {ResponseKind::kModbusAddress, Gather{.sleepMs = 100, .checks = 20}},
};

const KindWait& WaitOf(ResponseKind kind) {
  for (const KindWait& w : kWaits)
    if (w.kind == kind) return w;
  return kWaits[0];
}

ConsoleReply Copy(ResponseKind kind, const ExchangeResult& r, const ReceiveBuffer& receive) {
  ConsoleReply reply;
  reply.outcome = r.outcome;
  if (const auto failed = LinkFailure(r, kConsoleLinkTexts)) reply.failure = *failed;
  reply.raw.assign(r.raw.begin(), r.raw.end());
  const bool ended = r.outcome == Outcome::kAnswered || (r.outcome == Outcome::kIdle && WaitOf(kind).quietEndsAnswer);
  if (ended && !r.answer.empty()) {
    reply.answered = true;
    reply.answer.assign(r.answer.begin(), r.answer.end());
    reply.count = receive.count;
  }
  return reply;
}

}  // namespace

const LinkTexts kConsoleLinkTexts{text::kPortBusy, text::kNotConnected, text::kSendFailed, false, kReceiveErrorText};

ExchangePolicy ConsoleReadPolicy(ResponseKind kind) {
  return {.line = WaitOf(kind).wait,
          .unpack = unpack::General{},
          .net = wait::MatchTransaction{.sleepMs = 10, .checks = 50, .failOnReceiveError = true}};
}

ConsoleReply NetworkTransaction(LinkService& link, const RtuFrame& request, ResponseKind kind) {
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(LinkMode::kNetwork, request, 0, ConsoleReadPolicy(kind));
  return Copy(kind, r, link.receive());
}

ConsoleReply ConsoleRead(LinkService& link, LinkMode mode, const RtuFrame& request, int expected, ResponseKind kind) {
  if (mode == LinkMode::kNetwork) return NetworkTransaction(link, request, kind);
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(mode, request, expected, ConsoleReadPolicy(kind));
  return Copy(kind, r, link.receive());
}

Result<> SendWithoutReply(LinkService& link, LinkMode mode, const RtuFrame& frame) {
  Outcome outcome;
  {
    std::lock_guard lock(link.Mutex());
    outcome = link.SendOnly(mode, frame);
  }
  ExchangeResult sent;
  sent.outcome = outcome;
  if (const auto failed = LinkFailure(sent, kConsoleLinkTexts)) return *failed;
  return Done();
}

}  // namespace kaviro
