#include "tools/relay/threshold_probe.h"

#include <algorithm>
#include <mutex>

#include "link/crc16.h"
#include "link/text_format.h"

namespace kaviro {

namespace {
constexpr uint16_t kFirstThreshold = 0x2033;
constexpr size_t kReceiveArea = 256;
}  // namespace

RtuFrame ProbeRequest(uint8_t unit) { return ReadRegisters(unit, fn::kReadHolding, kFirstThreshold, 2); }

ProbeBytes ProbeBlockOf(const RtuFrame& request) {
  ProbeBytes block{};
  std::copy_n(request.Bytes().begin(), std::min(request.size(), kProbeBlock), block.begin());
  return block;
}

ExchangePolicy ProbePolicy() {
  return {.line = wait::Gather{.sleepMs = 100, .checks = 10, .quiet = 1, .from = wait::Gather::QuietFrom::kFirstByte,
                               .untilComplete = false, .capacity = kReceiveArea},
          .block = kProbeBlock};
}

bool AcceptsProbeAnswer(std::span<const uint8_t> answer, uint8_t unit) {
  return answer.size() == kProbeBlock && answer[0] == unit && HasValidCrc(answer.first(9));
}

std::string ProbeValueText(uint16_t value) { return Format("%d.%d ", (value / 100) & 0xFF, value % 100); }

Result<ProbeAnswer> RunThresholdProbe(LinkService& link, uint8_t unit) {
  const RtuFrame request = ProbeRequest(unit);
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, request, kProbeBlock, ProbePolicy());
  // Only a wait that ended on a quiet step after the answer is evaluated.
  if (r.outcome != Outcome::kIdle) return Fail<ProbeAnswer>(r.outcome == Outcome::kNotOpen ? Status::kNotOpen : Status::kNoAnswer);
  if (!AcceptsProbeAnswer(r.answer, unit)) return Fail<ProbeAnswer>(Status::kBadAnswer);
  ProbeAnswer answer;
  std::copy_n(r.answer.begin(), kProbeBlock, answer.received.begin());
  answer.first = GetU16(r.answer, 3);
  answer.second = GetU16(r.answer, 5);
  return Ok(answer);
}

}  // namespace kaviro
