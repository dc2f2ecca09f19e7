#pragma once
#include <array>
#include <cstdint>
#include <ctime>
#include <map>
#include <mutex>
#include <string>

#include "link/exchange_policy.h"
#include "link/link_mode.h"
#include "link/rtu_frame.h"

namespace kaviro {

// What one exchange came to, seen from the line rather than from the caller's acceptance rule.
enum class Verdict : uint8_t {
  kAnswer,        // from the addressed unit, CRC right, no exception
  kException,     // from the addressed unit, function with bit 7 set
  kTimeout,       // nothing (or not enough) came within the wait
  kCrcError,
  kWrongAddress,  // CRC right, another unit's address
  kMalformed,     // came, but could not be taken: packets that do not join, a short or refused answer
  kCancelled,     // the caller stopped the wait
  kNotSent,       // the port is not open or the network not connected
};

struct Classified {
  Verdict verdict;
  uint8_t exceptionCode = 0;
};

// The one place an exchange's outcome and answer become a verdict.
Classified Classify(LinkMode mode, const RtuFrame& request, const ExchangeResult& result);

struct LinkStatsSnapshot {
  uint64_t requests = 0;  // exchanges that sent a request
  uint64_t sends = 0;     // requests sent without awaiting an answer
  uint64_t answers = 0;   // answers from the addressed unit, exceptions included
  uint64_t timeouts = 0;
  uint64_t crcErrors = 0;
  uint64_t wrongAddress = 0;
  uint64_t wrongTransaction = 0;  // network frames of another transaction, stepped over
  uint64_t malformed = 0;
  std::map<uint8_t, uint64_t> exceptions;  // by exception code
  uint64_t bytesOut = 0;
  uint64_t bytesIn = 0;
  uint64_t roundTrips = 0;  // answers timed
  uint64_t rttMinUs = 0, rttMeanUs = 0, rttP95Us = 0, rttMaxUs = 0;
  std::string lastError;     // empty while none
  uint64_t lastErrorUs = 0;  // on the link's clock
  std::time_t lastErrorAt = 0;
};

// The link's counters since it was made or last reset. Updated by the engine under the link
// lock; read from any thread.
class LinkStats {
 public:
  // The p95 is taken over this many latest round trips.
  static constexpr size_t kRecent = 1024;

  void Record(const Classified& c, uint64_t bytesOut, uint64_t bytesIn, uint64_t roundTripUs, uint64_t nowUs);
  void RecordSend(uint64_t bytesOut);
  void RecordWrongTransactions(uint64_t frames);
  LinkStatsSnapshot Snapshot() const;
  void Reset();

 private:
  mutable std::mutex mutex_;
  LinkStatsSnapshot counts_;
  uint64_t rttSumUs_ = 0;
  std::array<uint32_t, kRecent> recent_{};
  size_t recentNext_ = 0;
};

// Words for a verdict, as the last error shows it.
const char* VerdictText(Verdict v);

}  // namespace kaviro
