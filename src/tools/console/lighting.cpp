#include "tools/console/lighting.h"

#include <mutex>

#include "link/text_format.h"
#include "tools/common/verified_write.h"
#include "tools/console/console_link.h"

namespace kaviro {

namespace {
constexpr uint16_t kRegistersRead = 2 * kLightingSlots;
}

RtuFrame LightingFrame(uint8_t unit, uint16_t reg, uint32_t secondOfDay) {
  const uint8_t data[] = {static_cast<uint8_t>(secondOfDay >> 24), static_cast<uint8_t>(secondOfDay >> 16),
                          static_cast<uint8_t>(secondOfDay >> 8), static_cast<uint8_t>(secondOfDay)};
  return WriteRegisters(unit, reg, data);
}

TimeOfDay PickerTimeOfDay(int32_t polledCount) {
  constexpr int32_t kDay = 86400;
  const int32_t s = (polledCount % kDay + kDay) % kDay;
  return {s / 3600, s / 60 % 60, s % 60};
}

std::string TimeOfDayText(uint32_t secondOfDay) {
  return Format("%02u:%02u:%02u", secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
}

std::optional<uint32_t> ParseTimeOfDay(const std::string& text) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
  int parts[3];
  for (int i = 0; i < 3; ++i) {
    const char hi = text[3 * i], lo = text[3 * i + 1];
    if (hi < '0' || hi > '9' || lo < '0' || lo > '9') return std::nullopt;
    parts[i] = (hi - '0') * 10 + (lo - '0');
  }
  if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
  return SecondOfDay(parts[0], parts[1], parts[2]);
}

Result<> SetLightingTime(LinkService& link, LinkMode mode, uint8_t unit, const LightingSlot& slot,
                         uint32_t secondOfDay) {
  return SendWithoutReply(link, mode, LightingFrame(unit, slot.reg, secondOfDay));
}

ExchangePolicy LightingReadPolicy() {
  ExchangePolicy p = ConsoleReadPolicy(ResponseKind::kRawDisplay);
  p.line = wait::UntilBytes{.sleepMs = 20, .checks = 100};
  p.lineAccept = Accept::kReadRule;
  p.netAccept = Accept::kByteCount;
  return p;
}

Result<LightingTimes> ReadLightingTimes(LinkService& link, LinkMode mode, uint8_t unit) {
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(mode, ReadRegisters(unit, fn::kReadHolding, kLightingSlotTable[0].reg, kRegistersRead),
                                         ReadAnswerLength(kRegistersRead), LightingReadPolicy());
  if (const auto failed = LinkFailure(r, kConsoleLinkTexts)) return failed->As<LightingTimes>();
  if (r.answer.size() < 3 + 2u * kRegistersRead) return Fail<LightingTimes>(Status::kBadAnswer);
  LightingTimes times{};
  for (size_t i = 0; i < kLightingSlots; ++i)
    times[i] = static_cast<uint32_t>(GetU16(r.answer, 3 + 4 * i)) << 16 | GetU16(r.answer, 5 + 4 * i);
  return Ok(times);
}

Result<LightingTimes> SetLightingTimeVerified(LinkService& link, LinkMode mode, uint8_t unit, const LightingSlot& slot,
                                             uint32_t secondOfDay) {
  const size_t index = static_cast<size_t>(&slot - kLightingSlotTable);
  return WriteAndVerify<LightingTimes>(
      link, mode,
      {.write = [&] { return SetLightingTime(link, mode, unit, slot, secondOfDay); },
       .settleMs = kUnreadWriteSettleMs,
       .readBack = [&] { return ReadLightingTimes(link, mode, unit); },
       .same = [&](const LightingTimes& read) { return read[index] == secondOfDay; },
       .shown = [&](const LightingTimes& read) { return TimeOfDayText(read[index]); },
       .written = [&] { return TimeOfDayText(secondOfDay); }});
}

}  // namespace kaviro
