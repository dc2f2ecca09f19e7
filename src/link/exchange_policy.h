#pragma once
#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "link/network_frame.h"

namespace kaviro {

// How a serial or wireless exchange waits: sleep, look at the input queue, maybe read, decide.
// Each caller states its own constants; the loop itself lives in LinkService only.
struct SerialWait {
  enum class Take {
    kExactWhenEnough,  // once `expected` bytes wait, read exactly that many (replacing)
    kAllWhenEnough,    // once `expected` bytes wait, read all that wait (replacing)
    kAllQueued,        // at every check read whatever waits and append it
  };
  int sleepMs = 10;
  int maxChecks = 0;              // 0: no limit, an idle rule must end the wait
  Take take = Take::kExactWhenEnough;
  bool stopWhenComplete = true;   // stop once `expected` bytes are in
  bool runAllChecks = false;      // never stop early; what was read by the last check is the answer
  int idleLimit = 0;              // stop after this many empty checks in a row (0: never)
  bool idleAfterDataOnly = false; // empty checks count only once something arrived
  bool idleNeedsComplete = false; // the idle rule ends the wait only once `expected` bytes are in
  size_t capacity = 1024;         // never keeps more; the excess is read and dropped
};

// How the bytes of a wireless exchange become a plain frame.
enum class Unpack { kNone, kGeneral, kPoll, kLog };

// How a network exchange waits for its answer. Once the request is out the transaction id moves
// on, answered or not: a late answer then carries an old id and is never taken for the next one.
struct NetWait {
  int sleepMs = 10;
  int maxTries = 50;                // 0: no limit, an idle rule must end the wait
  bool failOnReceiveError = false;  // a receive that gives 0 (closed) or an error ends the wait
  int idleLimit = 0;                // > 0: collect every receive (no id check) until this many empty ones in a row
  Protocol protocol = Protocol::kController;
  size_t capacity = 1024;
};

// What makes an answer acceptable once it is in.
enum class Accept { kNone, kReadRule, kByteCount };

struct ExchangePolicy {
  SerialWait serial;
  // Serial mode: the frame goes out zero-filled to this many bytes, as one fixed-size block
  // (0: as it is).
  size_t serialBlock = 0;
  Unpack unpack = Unpack::kNone;
  const char* unpackMismatchFormat = "";  // kPoll: takes (expected, joined)
  Accept accept = Accept::kNone;          // serial and wireless
  NetWait net;
  Accept netAccept = Accept::kNone;
  // Judges every serial read as it arrives (before unpacking): true ends the wait answered,
  // false counts a rejected read and the wait goes on.
  std::function<bool(std::span<const uint8_t>)> judgeRead;
};

enum class Outcome {
  kAnswered,      // the wait ended with its answer in
  kIdle,          // an idle rule ended the wait with the awaited bytes in
  kGaveUp,        // an idle rule ended the wait before the awaited bytes were in: nothing to unpack
  kTimedOut,      // checks or tries used up
  kCancelled,     // the caller's stop condition came true
  kNotOpen,       // serial port not open: nothing sent
  kNotConnected,  // no network connection: nothing sent
  kSendFailed,    // the network took fewer bytes than the request has
  kShortRead,     // fewer bytes read than were waiting
  kReceiveError,  // a network receive failed and the policy ends on that
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
