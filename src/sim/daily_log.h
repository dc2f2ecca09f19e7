#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/modbus_pdu.h"

namespace kaviro::sim {

// One day in the controller's log, in the units of the 44-byte record.
struct LogRecord {
  uint8_t century = 20, year = 0, month = 1, day = 1;
  uint32_t workSeconds = 0;
  uint16_t flags = 0;
  uint16_t alarms = 0;
  uint16_t faults = 0;
  uint16_t highestCentivolts = 0;
  uint16_t lowestCentivolts = 0;
  int8_t lowestC = 0;
  int8_t highestC = 0;
  uint32_t absorptionSeconds = 0;
  uint32_t equaliseSeconds = 0;
  uint32_t floatSeconds = 0;
  uint16_t chargeDeciAh = 0;
  uint16_t chargeDeciKwh = 0;
  uint32_t loadSeconds = 0;
  uint16_t loadDeciAh = 0;
  uint16_t loadDeciKwh = 0;
};

inline constexpr size_t kLogRecordSize = 44;
inline constexpr std::array<uint8_t, 4> kLogTail = {0xFF, 0xFE, 0xFD, 0xFC};

// `count` days ending with the day `latestDay` (days since 2000-01-01), latest first. The
// contents are varied but plausible and follow from `seed` alone.
std::vector<LogRecord> GenerateDailyLog(uint64_t seed, int count, int64_t latestDay);

std::array<uint8_t, kLogRecordSize> EncodeLogRecord(const LogRecord& r);

// The answer to read code 3: 2B 0E 03, object, 0x00, record count (16 bits), the records, the tail.
Pdu LogAnswerPdu(uint8_t object, std::span<const LogRecord> records);

// Calendar date of a day counted from 2000-01-01.
struct CivilDate {
  int year;
  unsigned month;
  unsigned day;
};
CivilDate CivilFromDaysSince2000(int64_t days);

}  // namespace kaviro::sim
