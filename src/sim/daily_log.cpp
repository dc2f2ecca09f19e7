#include "sim/daily_log.h"

#include <random>

#include "link/rtu_frame.h"

namespace kaviro::sim {

namespace {

constexpr uint16_t kFlagAbsorbed = 0x01;
constexpr uint16_t kFlagEqualised = 0x02;
constexpr uint16_t kFlagFloated = 0x04;
constexpr uint16_t kFlagLoadRan = 0x08;
constexpr int kEqualiseEveryDays = 28;

class Dice {
 public:
  explicit Dice(uint64_t seed) : engine_(seed) {}
  int Between(int lo, int hi) { return lo + static_cast<int>(engine_() % static_cast<uint64_t>(hi - lo + 1)); }
  bool Chance(int percent) { return Between(1, 100) <= percent; }

 private:
  std::mt19937_64 engine_;
};

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, static_cast<uint16_t>(v >> 16));
  PutU16(out, static_cast<uint16_t>(v & 0xFFFF));
}

LogRecord MakeDay(Dice& dice, int64_t day) {
  LogRecord r;
  const CivilDate date = CivilFromDaysSince2000(day);
  r.century = static_cast<uint8_t>(date.year / 100);
  r.year = static_cast<uint8_t>(date.year % 100);
  r.month = static_cast<uint8_t>(date.month);
  r.day = static_cast<uint8_t>(date.day);

  const bool cloudy = dice.Chance(25);
  r.workSeconds = dice.Chance(90) ? 86400u : static_cast<uint32_t>(dice.Between(60000, 86399));
  r.lowestC = static_cast<int8_t>(dice.Between(4, 20));
  r.highestC = static_cast<int8_t>(r.lowestC + dice.Between(8, 22));
  r.lowestCentivolts = static_cast<uint16_t>(dice.Between(1185, 1262));
  r.highestCentivolts = static_cast<uint16_t>(cloudy ? dice.Between(1290, 1380) : dice.Between(1420, 1468));
  r.absorptionSeconds = cloudy ? 0u : static_cast<uint32_t>(dice.Between(1800, 7200));
  r.floatSeconds = cloudy ? 0u : static_cast<uint32_t>(dice.Between(3600, 21600));
  r.equaliseSeconds = (!cloudy && day % kEqualiseEveryDays == 0) ? static_cast<uint32_t>(dice.Between(5400, 7200)) : 0u;
  r.chargeDeciAh = static_cast<uint16_t>(cloudy ? dice.Between(80, 300) : dice.Between(300, 900));
  r.chargeDeciKwh = static_cast<uint16_t>(r.chargeDeciAh * 135 / 10000 + 1);
  r.loadSeconds = static_cast<uint32_t>(dice.Between(4 * 3600, 11 * 3600));
  r.loadDeciAh = static_cast<uint16_t>(r.loadSeconds * 15 / 3600);
  r.loadDeciKwh = static_cast<uint16_t>(r.loadDeciAh * 125 / 10000 + 1);
  r.alarms = dice.Chance(10) ? 0x0002 : dice.Chance(5) ? 0x0020 : 0x0000;
  r.faults = dice.Chance(3) ? 0x0080 : 0x0000;
  r.flags = static_cast<uint16_t>((r.absorptionSeconds ? kFlagAbsorbed : 0) | (r.equaliseSeconds ? kFlagEqualised : 0) |
                                  (r.floatSeconds ? kFlagFloated : 0) | (r.loadSeconds ? kFlagLoadRan : 0));
  return r;
}

}  // namespace

CivilDate CivilFromDaysSince2000(int64_t days) {
  // Days since 1970-01-01, then the usual era-based conversion to the proleptic Gregorian calendar.
  const int64_t z = days + 10957 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const unsigned d = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  const unsigned m = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

std::vector<LogRecord> GenerateDailyLog(uint64_t seed, int count, int64_t latestDay) {
  std::vector<LogRecord> out;
  for (int k = 0; k < count; ++k) {
    // One stream per day, so a longer log starts with the same days as a shorter one.
    Dice dice(seed * 0x9E3779B97F4A7C15ull + static_cast<uint64_t>(latestDay - k));
    out.push_back(MakeDay(dice, latestDay - k));
  }
  return out;
}

std::array<uint8_t, kLogRecordSize> EncodeLogRecord(const LogRecord& r) {
  std::vector<uint8_t> b{r.century, r.year, r.month, r.day};
  PutU32(b, r.workSeconds);
  PutU16(b, r.flags);
  PutU16(b, r.alarms);
  PutU16(b, r.faults);
  PutU16(b, r.highestCentivolts);
  PutU16(b, r.lowestCentivolts);
  b.push_back(static_cast<uint8_t>(r.lowestC));
  b.push_back(static_cast<uint8_t>(r.highestC));
  PutU32(b, r.absorptionSeconds);
  PutU32(b, r.equaliseSeconds);
  PutU32(b, r.floatSeconds);
  PutU16(b, r.chargeDeciAh);
  PutU16(b, r.chargeDeciKwh);
  PutU32(b, r.loadSeconds);
  PutU16(b, r.loadDeciAh);
  PutU16(b, r.loadDeciKwh);
  std::array<uint8_t, kLogRecordSize> out{};
  std::copy(b.begin(), b.end(), out.begin());
  return out;
}

Pdu LogAnswerPdu(uint8_t object, std::span<const LogRecord> records) {
  Pdu out{fn::kDeviceIdentification, fn::kMeiDeviceIdentification, 0x03, object, 0x00};
  PutU16(out, static_cast<uint16_t>(records.size()));
  out.reserve(out.size() + records.size() * kLogRecordSize + kLogTail.size());
  for (const LogRecord& r : records) {
    const auto bytes = EncodeLogRecord(r);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  out.insert(out.end(), kLogTail.begin(), kLogTail.end());
  return out;
}

}  // namespace kaviro::sim
