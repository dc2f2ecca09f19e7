#pragma once
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <variant>

#include "link/network_frame.h"

namespace kaviro {

// How an exchange waits for its answer, as a few named rules. Each rule is a loop of `checks`
// looks `sleepMs` apart (so its worst case is checks × sleepMs, never open-ended); the engine
// (LinkService) runs them, callers only state which rule with which constants.
namespace wait {

// Serial and wireless. `need` below is the awaited length: the plain answer's, or the whole
// packets that carry it.

// Until `need` bytes wait; then they are the answer: exactly `need` of them, or all that wait.
struct UntilBytes {
  enum class Take { kExact, kAll };
  int sleepMs;
  int checks;
  Take take = Take::kExact;
  size_t capacity = 1024;  // kAll reads no more; the excess is read and dropped
};

// Every check runs; each that finds `need` bytes reads exactly that many in place of the last.
// What the last such read took is the answer, so a late answer cannot run into the next request.
struct AllChecks {
  int sleepMs;
  int checks;
};

// Once `need` bytes wait, all that wait are read and judged (before unpacking): accepted, that
// is the answer; refused, the read is counted and the wait goes on.
struct UntilJudged {
  int sleepMs;
  int checks;
  std::function<bool(std::span<const uint8_t>)> judge;
  size_t capacity = 1024;
};

// Everything that waits is read and appended at every check. The wait ends when the answer is
// whole (if `untilComplete`) or when the line has been quiet for `quiet` checks in a row,
// counted from the start, from the first byte, or from when the answer is whole. A quiet end
// says whether the answer was whole (Outcome::kIdle) or the wait gave up (Outcome::kGaveUp).
struct Gather {
  enum class QuietFrom { kStart, kFirstByte, kWholeAnswer };
  int sleepMs;
  int checks;
  int quiet = 0;  // 0: only the checks end it
  QuietFrom from = QuietFrom::kStart;
  bool untilComplete = true;
  size_t capacity = 1024;
};

// Network.

// Receives until the answer that carries this request's transaction id is whole; frames of other
// transactions are stepped over. `failOnReceiveError`: a receive that gives 0 (closed) or an
// error ends the wait.
struct MatchTransaction {
  int sleepMs = 10;
  int checks = 50;
  bool failOnReceiveError = false;
};

// Receives and appends until `quiet` receives in a row brought nothing: for answers too long for
// the inbox. Frames of other transactions in front are stepped over; what follows must carry
// this request's id.
struct CollectUntilQuiet {
  int sleepMs;
  int checks;
  int quiet;
  size_t capacity;
};

}  // namespace wait

using LineWait = std::variant<wait::UntilBytes, wait::AllChecks, wait::UntilJudged, wait::Gather>;
using NetWait = std::variant<wait::MatchTransaction, wait::CollectUntilQuiet>;

// The longest a wait can take, in milliseconds.
int WorstCaseMs(const LineWait& wait);
int WorstCaseMs(const NetWait& wait);

// How the packets of a wireless answer become a plain frame.
namespace unpack {
struct None {};
struct General {};                 // every packet gives its counted bytes
struct Exact {                     // the poll's: whole packets but the last, the joined length checked
  const char* mismatchFormat;      // takes (expected, joined)
};
struct Log {};                     // the log reader's own texts
}  // namespace unpack
using Unpacking = std::variant<unpack::None, unpack::General, unpack::Exact, unpack::Log>;

// What makes an answer acceptable once it is in.
enum class Accept { kNone, kReadRule, kByteCount };

struct ExchangePolicy {
  LineWait line = wait::UntilBytes{10, 50};
  Unpacking unpack = unpack::None{};  // wireless only
  size_t block = 0;                   // serial: the request zero-filled to this many bytes (0: as it is)
  Accept lineAccept = Accept::kNone;
  NetWait net = wait::MatchTransaction{};
  Protocol protocol = Protocol::kController;
  Accept netAccept = Accept::kNone;
};

enum class Outcome {
  kAnswered,      // the wait ended with its answer in
  kIdle,          // a quiet rule ended the wait with the awaited bytes in
  kGaveUp,        // a quiet rule ended the wait before the awaited bytes were in: nothing to unpack
  kTimedOut,      // checks used up
  kCancelled,     // the caller's stop condition came true
  kNotOpen,       // serial port not open: nothing sent
  kNotConnected,  // no network connection: nothing sent
  kSendFailed,    // the network took fewer bytes than the request has
  kShortRead,     // fewer bytes read than were waiting
  kReceiveError,  // a network receive failed and the rule ends on that
  kUnpackError,   // packets did not join; `message` says why
  kBadLength,     // the network header claims bytes that did not arrive
  kRejected,      // the acceptance rule refused the answer
};

struct ExchangeResult {
  Outcome outcome = Outcome::kTimedOut;
  std::string message;             // the unpacking error text
  std::span<const uint8_t> raw;    // bytes as collected: packets, or the network answer with its header
  std::span<const uint8_t> answer; // the plain answer (unpacked, or behind the header)
  int tally = 0;                   // bytes found waiting, summed over every check
  int rejectedReads = 0;
  bool ok() const { return outcome == Outcome::kAnswered; }
};

using StopFn = std::function<bool()>;

}  // namespace kaviro
