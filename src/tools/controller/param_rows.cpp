#include "tools/controller/param_rows.h"

#include <charconv>
#include <cmath>
#include <utility>

#include "link/text_format.h"
#include "res/param_dialog_ids.h"
#include "tools/common/typed_number.h"

namespace kaviro {

namespace {

using V = DecodedValues;
using B = ParamBound::Kind;
using S = ParamShown;

constexpr ParamBound Fixed(B kind, double value) { return {kind, value, -1}; }
constexpr ParamBound Companion(B kind, int index, double offset = 0) { return {kind, offset, index}; }
constexpr ParamBound kOpen{};

const ParamRow kRows[] = {
    {"蓄电池最小电压：", "battery-min", 0x0028, param_ids::kBatteryMinRead,
     param_ids::kBatteryMinDisplay, param_ids::kBatteryMinSet, param_ids::kBatteryMinInput,
     S::kCenti, &V::batteryMinimumVoltage, "V",
     "（设定范围：应大于等于9V，小于蓄电池最大电压）", ParamInput::kDecimal, Fixed(B::kAtLeast, 9.0),
     Companion(B::kBelow, 0), {0x0029}, 1},
    {"蓄电池最大电压：", "battery-max", 0x0029, param_ids::kBatteryMaxRead,
     param_ids::kBatteryMaxDisplay, param_ids::kBatteryMaxSet, param_ids::kBatteryMaxInput,
     S::kCenti, &V::batteryMaximumVoltage, "V",
     "（设定范围：应大于蓄电池最小电压，小于等于17V）", ParamInput::kDecimal, Companion(B::kAbove, 0),
     Fixed(B::kAtMost, 17.0), {0x0028}, 1},
    {"负载额定电流：", "load-rated-current", 0x003C, param_ids::kLoadRatedCurrentRead,
     param_ids::kLoadRatedCurrentDisplay, param_ids::kLoadRatedCurrentSet, param_ids::kLoadRatedCurrentInput,
     S::kCenti, &V::loadRatedCurrent, "A",
     "（设定范围：内部设定）", ParamInput::kDecimal, Fixed(B::kAbove, 0), kOpen},
    {"蓄电池充电电流限制：", "charge-current-limit", 0x0022, param_ids::kChargeCurrentLimitRead,
     param_ids::kChargeCurrentLimitDisplay, param_ids::kChargeCurrentLimitSet, param_ids::kChargeCurrentLimitInput,
     S::kCenti, &V::chargeCurrentLimit,
     "A", "（设定范围：不大于额定电流）", ParamInput::kDecimal, Fixed(B::kAbove, 0), Companion(B::kAtMost, 0), {0x003C}, 1},
    {"进入浮充的电流：", "float-entry-current", 0x001C, param_ids::kFloatEntryCurrentRead,
     param_ids::kFloatEntryCurrentDisplay, param_ids::kFloatEntryCurrentSet, param_ids::kFloatEntryCurrentInput,
     S::kCenti, &V::floatEntryCurrent, "A",
     "（设定范围：0.1A---1A）", ParamInput::kDecimal, Fixed(B::kAtLeast, 0.1), Fixed(B::kAtMost, 1.0)},
    {"均衡时间：", "equalize-time", 0xE009, param_ids::kEqualizeTimeRead,
     param_ids::kEqualizeTimeDisplay, param_ids::kEqualizeTimeSet, param_ids::kEqualizeTimeInput,
     S::kUnsigned, &V::equalizeTime, "S",
     "（设定范围：5400s---9000s）", ParamInput::kDecimal, Fixed(B::kAtLeast, 5400), Fixed(B::kAtMost, 9000)},
    {"Ev_reg< >Ev_eq连续时间不再均衡：", "equalize-give-up", 0xE006, param_ids::kEqualizeGiveUpRead,
     param_ids::kEqualizeGiveUpDisplay, param_ids::kEqualizeGiveUpSet, param_ids::kEqualizeGiveUpInput,
     S::kUnsigned,
     &V::equalizeGiveUpTime, "S", "（设定范围：9000s---10800s）", ParamInput::kDecimal, Fixed(B::kAtLeast, 9000),
     Fixed(B::kAtMost, 10800)},
    {"蓄电池最大温度补偿温度：", "temp-comp-max", 0x0043, param_ids::kTempCompMaxRead,
     param_ids::kTempCompMaxDisplay, param_ids::kTempCompMaxSet, param_ids::kTempCompMaxInput,
     S::kSignedByte,
     &V::maximumTemperatureCompensation, "度", "（设定范围：大于最小温度，小于120度）", ParamInput::kDecimal,
     Companion(B::kAbove, 0), Fixed(B::kAtMost, 120), {0x0044}, 1},
    {"蓄电池最小温度补偿温度：", "temp-comp-min", 0x0044, param_ids::kTempCompMinRead,
     param_ids::kTempCompMinDisplay, param_ids::kTempCompMinSet, param_ids::kTempCompMinInput,
     S::kSignedByte,
     &V::minimumTemperatureCompensation, "度", "（设定范围：大于-40度，小于最大温度）", ParamInput::kDecimal,
     Fixed(B::kAtLeast, -40), Companion(B::kBelow, 0), {0x0043}, 1},
    {"蓄电池维护间隔周期：", "maintenance-days", 0xE08A, param_ids::kMaintenanceDaysRead,
     param_ids::kMaintenanceDaysDisplay, param_ids::kMaintenanceDaysSet, param_ids::kMaintenanceDaysInput,
     S::kUnsigned, &V::maintenanceInterval,
     "天", "（设定范围：30天---120天）", ParamInput::kInteger, Fixed(B::kAtLeast, 30), Fixed(B::kAtMost, 90)},
    {"负载高压断开电压：", "load-hvd", 0xE00E, param_ids::kLoadHvdRead,
     param_ids::kLoadHvdDisplay, param_ids::kLoadHvdSet, param_ids::kLoadHvdInput,
     S::kCenti, &V::loadHighVoltageDisconnect, "V",
     "（设定范围：13V---60V）", ParamInput::kDecimal, Fixed(B::kAtLeast, 13.0), Fixed(B::kAtMost, 60.0)},
    {"负载高压断开重连电压：", "load-hvr", 0xE00F, param_ids::kLoadHvrRead,
     param_ids::kLoadHvrDisplay, param_ids::kLoadHvrSet, param_ids::kLoadHvrInput,
     S::kCenti, &V::loadHighVoltageReconnect, "V",
     "（设定范围：低于负载高压断开电压至少0.3V）", ParamInput::kDecimal, Companion(B::kAtLeast, 1),
     Companion(B::kAtMost, 0, -0.3), {0xE00E, 0xE012}, 2},
    {"负载低压断开电压：", "load-lvd", 0xE011, param_ids::kLoadLvdRead,
     param_ids::kLoadLvdDisplay, param_ids::kLoadLvdSet, param_ids::kLoadLvdInput,
     S::kCenti, &V::loadLowVoltageDisconnect, "V",
     "（设定范围：小于负载高压断开重连电压）", ParamInput::kDecimal, Fixed(B::kAbove, 0), Companion(B::kAtMost, 0, -0.3), {0xE012}, 1},
    {"负载低压断开重连电压：", "load-lvr", 0xE012, param_ids::kLoadLvrRead,
     param_ids::kLoadLvrDisplay, param_ids::kLoadLvrSet, param_ids::kLoadLvrInput,
     S::kCenti, &V::loadLowVoltageReconnect, "V",
     "（设定范围：高于负载低压断开电压至少0.3V）", ParamInput::kDecimal, Companion(B::kAtLeast, 1, 0.3),
     Companion(B::kAtMost, 0), {0xE00F, 0xE011}, 2},
    {"低压断开报警延时：", "lvd-alarm-delay", 0xE003, param_ids::kLvdAlarmDelayRead,
     param_ids::kLvdAlarmDelayDisplay, param_ids::kLvdAlarmDelaySet, param_ids::kLvdAlarmDelayInput,
     S::kTenths, &V::lowVoltageAlarmDelay, "S",
     "（设定范围：1s---6s）", ParamInput::kDecimal, Fixed(B::kAtLeast, 1.0), Fixed(B::kAtMost, 6.0)},
    {"负载过载延时：", "overload-delay", 0x003D, param_ids::kOverloadDelayRead,
     param_ids::kOverloadDelayDisplay, param_ids::kOverloadDelaySet, param_ids::kOverloadDelayInput,
     S::kBlankZero, &V::loadOverloadDelay, "S",
     "（设定范围：内部数据设定）", ParamInput::kDecimal, kOpen, kOpen},
    {"照明控制模式：", "lighting-mode", 0x001F, param_ids::kLightingModeRead,
     param_ids::kLightingModeDisplay, param_ids::kLightingModeSet, param_ids::kLightingModeInput,
     S::kLightingMode, &V::lightingControlMode, "-",
     "（设定范围：输入0 或 1；0--定时，1--智能）", ParamInput::kZeroOrOne, kOpen, kOpen},
    {"485连接RD设置：", "rd-link", 0x0041, param_ids::kRdLinkRead,
     param_ids::kRdLinkDisplay, param_ids::kRdLinkSet, param_ids::kRdLinkInput,
     S::kSigned, &V::rdLinkSetting, "-",
     "（设定范围：输入0 或 1；0--连接，1--不连接）", ParamInput::kZeroOrOne, kOpen, kOpen},
    {"电池节数自动检测与拨码开关冲突处理:", "cell-conflict", 0x0047, param_ids::kCellConflictRead,
     param_ids::kCellConflictDisplay, param_ids::kCellConflictSet, param_ids::kCellConflictInput,
     S::kSigned,
     &V::cellCountConflictHandling, "-", "（设定范围：输入0 或 1；0--不允许，1--允许）", ParamInput::kZeroOrOne, kOpen,
     kOpen},
};

// A bound in the row's units: companions are given as readings (volts, degrees).
std::optional<int64_t> Limit(const ParamBound& bound, std::span<const double> companions, double scale) {
  if (bound.kind == B::kNone) return std::nullopt;
  const double base = bound.companion >= 0 ? companions[static_cast<size_t>(bound.companion)] : 0.0;
  return std::llround(base * scale) + std::llround(bound.offset * scale);
}

bool Within(const ParamBound& bound, int64_t units, std::span<const double> companions, double scale) {
  const std::optional<int64_t> limit = Limit(bound, companions, scale);
  if (!limit) return true;
  switch (bound.kind) {
    case B::kAtLeast: return units >= *limit;
    case B::kAbove: return units > *limit;
    case B::kAtMost: return units <= *limit;
    case B::kBelow: return units < *limit;
    case B::kNone: break;
  }
  return true;
}

// The word a number in the row's units becomes, when it reads back as that number: unsigned
// rows hold 0 to 65535, signed ones their 16 or 8 bits.
std::optional<uint16_t> WordOf(const ParamRow& row, int64_t units) {
  const auto [lo, hi] = row.shown == S::kSigned       ? std::pair<int64_t, int64_t>{-32768, 32767}
                        : row.shown == S::kSignedByte ? std::pair<int64_t, int64_t>{-128, 127}
                                                      : std::pair<int64_t, int64_t>{0, 65535};
  if (units < lo || units > hi) return std::nullopt;
  return static_cast<uint16_t>(static_cast<int32_t>(units));
}

template <typename Member>
double CachedNumber(const DecodedValues& values, Member field) {
  return static_cast<double>(values.*field);
}

}  // namespace

std::span<const ParamRow> ParamRows() { return kRows; }

const ParamRow* FindParamRow(uint16_t reg) {
  for (const ParamRow& row : kRows)
    if (row.reg == reg) return &row;
  return nullptr;
}

const ParamRow* FindParamRow(std::string_view key) {
  if (key.size() == 6 && key[0] == '0' && (key[1] == 'x' || key[1] == 'X')) {
    unsigned reg = 0;
    const auto [end, ec] = std::from_chars(key.data() + 2, key.data() + key.size(), reg, 16);
    return ec == std::errc() && end == key.data() + key.size() ? FindParamRow(static_cast<uint16_t>(reg)) : nullptr;
  }
  for (const ParamRow& row : kRows)
    if (key == row.name) return &row;
  return nullptr;
}

double ParamReading(const ParamRow& row, uint16_t word) {
  switch (row.shown) {
    case S::kCenti: return word * 0.01;
    case S::kSigned: return static_cast<int16_t>(word);
    case S::kSignedByte: return static_cast<int8_t>(word & 0xFF);
    case S::kTenths:
    case S::kUnsigned:
    case S::kBlankZero:
    case S::kLightingMode: break;
  }
  return word;
}

void StoreParam(const ParamRow& row, uint16_t word, DecodedValues& values) {
  const double reading = ParamReading(row, word);
  std::visit([&](auto field) { values.*field = static_cast<std::remove_reference_t<decltype(values.*field)>>(reading); },
             row.field);
}

std::string ParamDisplayText(const ParamRow& row, const DecodedValues& values) {
  const double v = std::visit([&](auto field) { return CachedNumber(values, field); }, row.field);
  switch (row.shown) {
    case S::kCenti: return Format("%.2f", v);
    case S::kTenths: return Format("%.1f", v * 0.1);
    case S::kBlankZero: return Format("%.d", static_cast<int>(v));
    case S::kLightingMode: return v == 0 ? "定时" : "智能";
    case S::kUnsigned:
    case S::kSigned:
    case S::kSignedByte: break;
  }
  return Format("%d", static_cast<int>(v));
}

std::string ParamWordText(const ParamRow& row, uint16_t word) {
  DecodedValues values{};
  StoreParam(row, word, values);
  return ParamDisplayText(row, values);
}

std::string ParamInputText(const ParamRow& row, uint16_t word) {
  switch (row.shown) {
    case S::kCenti: return Format("%.2f", word * 0.01);
    case S::kTenths: return Format("%.1f", word * 0.1);
    case S::kLightingMode: return Format("%u", word);
    case S::kSigned:
    case S::kSignedByte: return Format("%d", static_cast<int>(ParamReading(row, word)));
    case S::kUnsigned:
    case S::kBlankZero: break;
  }
  return Format("%u", word);
}

int ParamDecimals(const ParamRow& row) {
  return row.shown == S::kCenti ? 2 : row.shown == S::kTenths ? 1 : 0;
}

Result<uint16_t> CheckParamInput(const ParamRow& row, std::string_view text, std::span<const double> companions) {
  const auto refused = [](const char* message) { return Fail<uint16_t>(Status::kRefused, {message}); };
  if (row.input == ParamInput::kZeroOrOne) {
    if (text != "0" && text != "1") return refused(kEmptyInputText);
    return Ok(static_cast<uint16_t>(text == "1"));
  }
  if (text.empty()) return refused(kEmptyInputText);
  const int decimals = ParamDecimals(row);
  const std::optional<int64_t> units =
      TypedUnits(text, row.input == ParamInput::kInteger ? NumberKind::kWhole : NumberKind::kDecimal, decimals);
  const double scale = std::pow(10.0, decimals);
  if (!units || !Within(row.low, *units, companions, scale) || !Within(row.high, *units, companions, scale))
    return refused(kBadInputText);
  const std::optional<uint16_t> word = WordOf(row, *units);
  if (!word) return refused(kBadInputText);
  return Ok(*word);
}

}  // namespace kaviro
