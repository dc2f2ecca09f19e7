#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/link_service.h"
#include "monitor/decoded_values.h"
#include "tools/controller/controller_clock.h"
#include "tools/controller/param_register.h"
#include "tools/controller/param_rows.h"

namespace kaviro {

// The parameter settings' operations on the rows of ParamRows(): what the dialog's buttons and
// the command line do. Each exchange holds the link for itself.

// Whether the link can carry a request at all, and the text that says it cannot.
bool ParamLinkUsable(LinkService& link, LinkMode mode);
const char* ParamLinkMissingText(LinkMode mode);

// The parameter cache as it is now; the poll writes it, so it is copied under the link lock.
DecodedValues CachedParams(LinkService& link, const DecodedValues& values);

// A row's register word and its display text.
struct ParamValue {
  uint16_t word = 0;
  std::string text;
  bool operator==(const ParamValue&) const = default;
};

// "读取" of a row: on success the word is stored in the row's cache member while the link is
// still held.
Result<ParamValue> ReadParamRow(LinkService& link, LinkMode mode, uint8_t unit, const ParamRow& row,
                                DecodedValues& values);
// The same without a cache.
Result<ParamValue> ReadParamValue(LinkService& link, LinkMode mode, uint8_t unit, const ParamRow& row);

// "设置" of a row: the port check, the companion reads (a failed one ends the write with its own
// message), the input check, the write and its confirmation; the value is the word written. The
// cache is not touched.
Result<uint16_t> WriteParamRegister(LinkService& link, LinkMode mode, uint8_t unit, const ParamRow& row,
                                    std::string_view input);

// The command line's and MQTT's "设置": the dialog's write, then the row read back and compared
// with the word the typed value became.
Result<ParamValue> SetParamVerified(LinkService& link, LinkMode mode, uint8_t unit, const ParamRow& row,
                                    std::string_view input);

// The clock row: seconds since 2000-01-01 00:00:00 local time in registers 0x003E and 0x003F.
// A count before 2000 travels as its 32-bit two's complement and is read back as such.
struct ClockValue {
  int32_t seconds = 0;
  std::optional<LocalDateTime> time;  // nothing when the system cannot show it
};
Result<ClockValue> ReadControllerClock(LinkService& link, LinkMode mode, uint8_t unit);
Result<> WriteControllerClock(LinkService& link, LinkMode mode, uint8_t unit, const LocalDateTime& time);
// The write, then the clock read back: it must be no earlier than what was written and no later
// than the seconds that passed since (`allowedDrift`).
Result<ClockValue> SetClockVerified(LinkService& link, LinkMode mode, uint8_t unit, const LocalDateTime& time,
                                    const std::function<int64_t()>& allowedDrift);
RtuFrame ClockWriteRequest(uint8_t unit, int32_t seconds);

}  // namespace kaviro
