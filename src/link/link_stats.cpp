#include "link/link_stats.h"

#include <algorithm>
#include <chrono>

#include "link/crc16.h"

namespace kaviro {

namespace {

// How long the first frame of `answer` is by its function, CRC included; what it cannot tell
// (identification, unknown functions) is the whole answer.
size_t FrameLength(std::span<const uint8_t> answer) {
  if (answer.size() < 3) return answer.size();
  const uint8_t function = answer[1];
  if (function & 0x80) return 5;
  switch (function) {
    case 0x01: case 0x02: case 0x03: case 0x04: return 5 + static_cast<size_t>(answer[2]);
    case 0x05: case 0x06: case 0x0F: case 0x10: return 8;
    default: return answer.size();
  }
}

Verdict FromOutcome(Outcome o) {
  switch (o) {
    case Outcome::kNotOpen:
    case Outcome::kNotConnected: return Verdict::kNotSent;
    case Outcome::kCancelled: return Verdict::kCancelled;
    case Outcome::kTimedOut:
    case Outcome::kGaveUp: return Verdict::kTimeout;
    case Outcome::kSendFailed:
    case Outcome::kShortRead:
    case Outcome::kReceiveError:
    case Outcome::kUnpackError:
    case Outcome::kBadLength: return Verdict::kMalformed;
    case Outcome::kAnswered:
    case Outcome::kIdle:
    case Outcome::kRejected: return Verdict::kAnswer;
  }
  return Verdict::kMalformed;
}

}  // namespace

Classified Classify(LinkMode mode, const RtuFrame& request, const ExchangeResult& result) {
  const Verdict byOutcome = FromOutcome(result.outcome);
  if (byOutcome != Verdict::kAnswer) return {byOutcome};
  const std::span<const uint8_t> answer = result.answer;
  const bool withCrc = mode != LinkMode::kNetwork;
  if (answer.size() < (withCrc ? 4u : 2u) || request.size() < 2) return {Verdict::kMalformed};
  if (withCrc) {
    const size_t length = FrameLength(answer);
    if (answer.size() < length) return {Verdict::kMalformed};
    if (!HasValidCrc(answer.first(length))) return {Verdict::kCrcError};
  }
  if (answer[0] != request[0]) return {Verdict::kWrongAddress};
  if (answer[1] == (request[1] | 0x80) && answer.size() >= 3) return {Verdict::kException, answer[2]};
  if (result.outcome == Outcome::kRejected) return {Verdict::kMalformed};
  return {Verdict::kAnswer};
}

const char* VerdictText(Verdict v) {
  switch (v) {
    case Verdict::kAnswer: return "answer";
    case Verdict::kException: return "exception answer";
    case Verdict::kTimeout: return "no answer";
    case Verdict::kCrcError: return "CRC error";
    case Verdict::kWrongAddress: return "answer from another address";
    case Verdict::kMalformed: return "malformed answer";
    case Verdict::kCancelled: return "cancelled";
    case Verdict::kNotSent: return "not sent";
  }
  return "";
}

void LinkStats::Record(const Classified& c, uint64_t bytesOut, uint64_t bytesIn, uint64_t roundTripUs,
                       uint64_t nowUs) {
  if (c.verdict == Verdict::kNotSent) return;
  std::lock_guard lock(mutex_);
  LinkStatsSnapshot& n = counts_;
  ++n.requests;
  n.bytesOut += bytesOut;
  n.bytesIn += bytesIn;
  switch (c.verdict) {
    case Verdict::kException: ++n.exceptions[c.exceptionCode]; [[fallthrough]];
    case Verdict::kAnswer:
      ++n.answers;
      n.rttMinUs = n.roundTrips == 0 ? roundTripUs : std::min(n.rttMinUs, roundTripUs);
      n.rttMaxUs = std::max(n.rttMaxUs, roundTripUs);
      ++n.roundTrips;
      rttSumUs_ += roundTripUs;
      recent_[recentNext_++ % kRecent] = static_cast<uint32_t>(std::min<uint64_t>(roundTripUs, UINT32_MAX));
      break;
    case Verdict::kTimeout: ++n.timeouts; break;
    case Verdict::kCrcError: ++n.crcErrors; break;
    case Verdict::kWrongAddress: ++n.wrongAddress; break;
    case Verdict::kMalformed: ++n.malformed; break;
    case Verdict::kCancelled:
    case Verdict::kNotSent: break;
  }
  if (c.verdict != Verdict::kAnswer && c.verdict != Verdict::kCancelled) {
    n.lastError = VerdictText(c.verdict);
    if (c.verdict == Verdict::kException) n.lastError += " " + std::to_string(c.exceptionCode);
    n.lastErrorUs = nowUs;
    n.lastErrorAt = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  }
}

void LinkStats::RecordSend(uint64_t bytesOut) {
  std::lock_guard lock(mutex_);
  ++counts_.sends;
  counts_.bytesOut += bytesOut;
}

void LinkStats::RecordWrongTransactions(uint64_t frames) {
  if (frames == 0) return;
  std::lock_guard lock(mutex_);
  counts_.wrongTransaction += frames;
}

LinkStatsSnapshot LinkStats::Snapshot() const {
  std::lock_guard lock(mutex_);
  LinkStatsSnapshot s = counts_;
  if (s.roundTrips == 0) return s;
  s.rttMeanUs = rttSumUs_ / s.roundTrips;
  const size_t held = static_cast<size_t>(std::min<uint64_t>(s.roundTrips, kRecent));
  std::array<uint32_t, kRecent> sorted = recent_;
  // The nearest-rank 95th percentile of the latest round trips.
  const size_t rank = (held * 95 + 99) / 100 - 1;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(rank),
                   sorted.begin() + static_cast<std::ptrdiff_t>(held));
  s.rttP95Us = sorted[rank];
  return s;
}

void LinkStats::Reset() {
  std::lock_guard lock(mutex_);
  counts_ = {};
  rttSumUs_ = 0;
  recentNext_ = 0;
}

}  // namespace kaviro
