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

Result<std::vector<LogRow>> ReadLog(LinkService& link, LinkMode mode, uint8_t unit, bool latest) {
  using Rows = std::vector<LogRow>;
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(mode, LogRequest(unit, latest), 0, LogReadPolicy());
  // A line that never went quiet: what came is checked as any answer is.
  if (r.outcome != Outcome::kTimedOut || mode == LinkMode::kNetwork)
    if (const auto failed = LinkFailure(r)) return failed->As<Rows>();
  // On the network nothing is looked at unless something came behind the header.
  if (mode == LinkMode::kNetwork && r.outcome != Outcome::kAnswered) return Fail<Rows>(Status::kNoAnswer);
  LogAnswer parsed = ParseLogAnswer(r.answer);
  if (!parsed.error.empty()) return Fail<Rows>(Status::kBadAnswer, {parsed.error});
  return Ok(std::move(parsed.rows));
}

}  // namespace kaviro
