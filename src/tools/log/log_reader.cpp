#include "tools/log/log_reader.h"

#include <mutex>

#include "link/link_texts.h"

namespace kaviro {

RtuFrame LogRequest(uint8_t unit, bool latest) { return ReadDeviceIdentification(unit, 0x03, latest ? 1 : 0); }

namespace {

constexpr int kLineSleepMs = 50;
constexpr int kLineQuietChecks = 41;
constexpr size_t kLineCapacity = 80000;
// 9600 baud, a start bit, 8 data bits and 2 stop bits: 11 bits a byte.
constexpr int64_t kLineFillMs = static_cast<int64_t>(kLineCapacity) * 11 * 1000 / 9600;
constexpr int kLineChecks = static_cast<int>(kLineFillMs / kLineSleepMs) + kLineQuietChecks;
constexpr int kNetSleepMs = 10;
constexpr int kNetLongestMs = 30000;

}  // namespace

ExchangePolicy LogReadPolicy() {
  return {.line = wait::Gather{.sleepMs = kLineSleepMs, .checks = kLineChecks, .quiet = kLineQuietChecks,
                               .untilComplete = false, .capacity = kLineCapacity},
          .unpack = unpack::Log{},
          .net = wait::CollectUntilQuiet{.sleepMs = kNetSleepMs, .checks = kNetLongestMs / kNetSleepMs, .quiet = 21,
                                         .capacity = 50000}};
}

LogRead ReadLog(LinkService& link, LinkMode mode, uint8_t unit, bool latest) {
  LogRead read;
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(mode, LogRequest(unit, latest), 0, LogReadPolicy());
  switch (r.outcome) {
    case Outcome::kNotOpen: read.message = text::kPortBusy; return read;
    case Outcome::kNotConnected: read.message = text::kNotConnected; return read;
    case Outcome::kSendFailed: read.message = text::kSendFailed; return read;
    case Outcome::kUnpackError: read.message = r.message; return read;
    case Outcome::kAnswered:
    case Outcome::kIdle:
    case Outcome::kTimedOut: break;  // a line that never went quiet: what came is checked
    default: return read;
  }
  // On the network nothing is looked at unless something came behind the header.
  if (mode == LinkMode::kNetwork && r.outcome != Outcome::kAnswered) return read;
  read.answered = true;
  LogAnswer parsed = ParseLogAnswer(r.answer);
  read.rows = std::move(parsed.rows);
  read.message = std::move(parsed.error);
  return read;
}

}  // namespace kaviro
