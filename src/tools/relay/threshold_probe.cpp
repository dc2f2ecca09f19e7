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
  if (answer.size() != kProbeBlock || answer[0] != unit) return false;
  const uint16_t crc = ComputeCrc16(answer.first(7));
  return answer[7] == (crc & 0xFF) && answer[8] == (crc >> 8);
}

std::string ProbeValueText(uint16_t value) { return Format("%d.%d ", (value / 100) & 0xFF, value % 100); }

ProbeResult RunThresholdProbe(LinkService& link, uint8_t unit) {
  ProbeResult result;
  const RtuFrame request = ProbeRequest(unit);
  result.sent = ProbeBlockOf(request);
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, request, kProbeBlock, ProbePolicy());
  // Only a wait that ended on a quiet step after the answer is evaluated.
  if (r.outcome != Outcome::kIdle || !AcceptsProbeAnswer(r.answer, unit)) return result;
  ProbeBytes received;
  std::copy_n(r.answer.begin(), kProbeBlock, received.begin());
  result.received = received;
  result.first = GetU16(r.answer, 3);
  result.second = GetU16(r.answer, 5);
  return result;
}

}  // namespace kaviro
