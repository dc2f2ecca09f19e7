#include "tools/controller/param_settings.h"

#include <limits>
#include <mutex>
#include <vector>

#include "link/link_texts.h"
#include "tools/common/verified_write.h"

namespace kaviro {

bool ParamLinkUsable(LinkService& link, LinkMode mode) {
  return mode == LinkMode::kNetwork ? link.Connected() : link.SerialOpen();
}

const char* ParamLinkMissingText(LinkMode mode) {
  return mode == LinkMode::kNetwork ? text::kNotConnected : text::kPortBusy;
}

DecodedValues CachedParams(LinkService& link, const DecodedValues& values) {
  std::lock_guard lock(link.Mutex());
  return values;
}

namespace {

std::string ClockShown(const ClockValue& c) { return c.time ? ClockText(*c.time) : std::to_string(c.seconds); }

}  // namespace

Result<ParamValue> ReadParamRow(LinkService& link, LinkMode mode, uint8_t unit, const ParamRow& row,
                                DecodedValues& values) {
  std::lock_guard lock(link.Mutex());
  const Result<RegisterWords> read = ReadParamRegisterHeld(link, mode, unit, row.reg);
  if (!read.ok()) return read.As<ParamValue>();
  const uint16_t word = read.value->front();
  StoreParam(row, word, values);
  return Ok(ParamValue{word, ParamDisplayText(row, values)});
}

Result<ParamValue> ReadParamValue(LinkService& link, LinkMode mode, uint8_t unit, const ParamRow& row) {
  DecodedValues scratch{};
  return ReadParamRow(link, mode, unit, row, scratch);
}

Result<uint16_t> WriteParamRegister(LinkService& link, LinkMode mode, uint8_t unit, const ParamRow& row,
                                    std::string_view input) {
  if (mode != LinkMode::kNetwork && !link.SerialOpen()) return Fail<uint16_t>(Status::kNotOpen, {text::kPortBusy});
  std::vector<double> companions;
  for (int i = 0; i < row.companionCount; ++i) {
    const uint16_t reg = row.companions[static_cast<size_t>(i)];
    const Result<RegisterWords> read = ReadParamRegister(link, mode, unit, reg);
    if (!read.ok()) return read.As<uint16_t>();
    companions.push_back(ParamReading(*FindParamRow(reg), read.value->front()));
  }
  const Result<uint16_t> check = CheckParamInput(row, input, companions);
  if (!check.ok()) return check;
  Result<uint16_t> sent = SendParamWrite(link, mode, WriteRegister(unit, row.reg, *check.value)).As<uint16_t>();
  sent.value = check.value;
  return sent;
}

Result<ParamValue> SetParamVerified(LinkService& link, LinkMode mode, uint8_t unit, const ParamRow& row,
                                    std::string_view input) {
  uint16_t written = 0;
  return WriteAndVerify<ParamValue>(
      link, mode,
      {.write = [&] {
         const Result<uint16_t> w = WriteParamRegister(link, mode, unit, row, input);
         if (w.value) written = *w.value;
         return w.As<Nothing>();
       },
       .readBack = [&] { return ReadParamValue(link, mode, unit, row); },
       .same = [&](const ParamValue& read) { return read.word == written; },
       .shown = [](const ParamValue& read) { return read.text; },
       .written = [&] { return ParamWordText(row, written); }});
}

RtuFrame ClockWriteRequest(uint8_t unit, int32_t seconds) {
  const auto s = static_cast<uint32_t>(seconds);
  const uint8_t data[] = {static_cast<uint8_t>(s >> 24), static_cast<uint8_t>(s >> 16), static_cast<uint8_t>(s >> 8),
                          static_cast<uint8_t>(s)};
  return WriteRegisters(unit, kClockRegister, data);
}

Result<ClockValue> ReadControllerClock(LinkService& link, LinkMode mode, uint8_t unit) {
  const Result<RegisterWords> read = ReadParamRegister(link, mode, unit, kClockRegister);
  if (!read.ok()) return read.As<ClockValue>();
  const auto seconds = static_cast<int32_t>(static_cast<uint32_t>((*read.value)[0]) << 16 | (*read.value)[1]);
  return Ok(ClockValue{seconds, ControllerClockTime(seconds)});
}

Result<> WriteControllerClock(LinkService& link, LinkMode mode, uint8_t unit, const LocalDateTime& time) {
  if (mode != LinkMode::kNetwork && !link.SerialOpen()) return Fail(Status::kNotOpen, {text::kPortBusy});
  const std::optional<int64_t> seconds = ControllerClockSeconds(time);
  if (!seconds || *seconds < std::numeric_limits<int32_t>::min() || *seconds > std::numeric_limits<int32_t>::max())
    return Fail(Status::kRefused, {kBadInputText});
  return SendParamWrite(link, mode, ClockWriteRequest(unit, static_cast<int32_t>(*seconds)));
}

Result<ClockValue> SetClockVerified(LinkService& link, LinkMode mode, uint8_t unit, const LocalDateTime& time,
                                    const std::function<int64_t()>& allowedDrift) {
  const int64_t written = ControllerClockSeconds(time).value_or(0);
  return WriteAndVerify<ClockValue>(
      link, mode,
      {.write = [&] { return WriteControllerClock(link, mode, unit, time); },
       .readBack = [&] { return ReadControllerClock(link, mode, unit); },
       // The controller's clock runs on while the write is confirmed and read back.
       .same = [&](const ClockValue& read) {
         const int64_t drift = read.seconds - written;
         return drift >= 0 && drift <= allowedDrift();
       },
       .shown = ClockShown,
       .written = [&] { return ClockText(time); }});
}

}  // namespace kaviro
