#include "tools/controller/param_settings.h"

#include <limits>
#include <mutex>
#include <vector>

#include "link/link_texts.h"

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

ParamRowRead ReadParamRow(LinkService& link, LinkMode mode, uint8_t unit, const ParamRow& row, DecodedValues& values) {
  std::lock_guard lock(link.Mutex());
  ParamRowRead read{ReadParamRegisterHeld(link, mode, unit, row.reg), ""};
  if (read.reply.ok()) {
    StoreParam(row, read.reply.Word(), values);
    read.text = ParamDisplayText(row, values);
  }
  return read;
}

ParamReply WriteParamRegister(LinkService& link, LinkMode mode, uint8_t unit, const ParamRow& row,
                              std::string_view input) {
  if (mode != LinkMode::kNetwork && !link.SerialOpen()) return ParamEnded(ParamStatus::kNoLink, text::kPortBusy);
  std::vector<double> companions;
  for (int i = 0; i < row.companionCount; ++i) {
    const uint16_t reg = row.companions[static_cast<size_t>(i)];
    ParamReply read = ReadParamRegister(link, mode, unit, reg);
    if (!read.ok()) return read;
    companions.push_back(ParamReading(*FindParamRow(reg), read.Word()));
  }
  const ParamCheck check = CheckParamInput(row, input, companions);
  if (!check.word) return ParamEnded(ParamStatus::kRefused, check.message);
  return SendParamWrite(link, mode, WriteRegister(unit, row.reg, *check.word));
}

RtuFrame ClockWriteRequest(uint8_t unit, int32_t seconds) {
  const auto s = static_cast<uint32_t>(seconds);
  const uint8_t data[] = {static_cast<uint8_t>(s >> 24), static_cast<uint8_t>(s >> 16), static_cast<uint8_t>(s >> 8),
                          static_cast<uint8_t>(s)};
  return WriteRegisters(unit, kClockRegister, data);
}

ClockRead ReadControllerClock(LinkService& link, LinkMode mode, uint8_t unit) {
  ClockRead read;
  read.reply = ReadParamRegister(link, mode, unit, kClockRegister);
  if (read.reply.ok()) {
    read.seconds = static_cast<int32_t>(read.reply.Pair());
    read.time = ControllerClockTime(read.seconds);
  }
  return read;
}

ParamReply WriteControllerClock(LinkService& link, LinkMode mode, uint8_t unit, const LocalDateTime& time) {
  if (mode != LinkMode::kNetwork && !link.SerialOpen()) return ParamEnded(ParamStatus::kNoLink, text::kPortBusy);
  const std::optional<int64_t> seconds = ControllerClockSeconds(time);
  if (!seconds || *seconds < std::numeric_limits<int32_t>::min() || *seconds > std::numeric_limits<int32_t>::max())
    return ParamEnded(ParamStatus::kRefused, kBadInputText);
  return SendParamWrite(link, mode, ClockWriteRequest(unit, static_cast<int32_t>(*seconds)));
}

}  // namespace kaviro
