#include "tools/log/log_reader.h"

#include <mutex>

#include "link/link_texts.h"

namespace kaviro {

RtuFrame LogRequest(uint8_t unit, bool latest) { return ReadDeviceIdentification(unit, 0x03, latest ? 1 : 0); }

ExchangePolicy LogReadPolicy() {
  ExchangePolicy p;
  p.serial = {.sleepMs = 50, .maxChecks = 0, .take = SerialWait::Take::kAllQueued, .stopWhenComplete = false,
              .idleLimit = 41, .capacity = 80000};
  p.unpack = Unpack::kLog;
  p.net = {.sleepMs = 10, .maxTries = 0, .idleLimit = 21, .capacity = 50000};
  return p;
}

LogRead ReadLog(LinkService& link, LinkMode mode, uint8_t unit, bool latest) {
  LogRead read;
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(mode, LogRequest(unit, latest), 0, LogReadPolicy());
  switch (r.outcome) {
    case Outcome::kNotOpen: read.message = text::kPortBusy; return read;
    case Outcome::kNotConnected: read.message = text::kNotConnected; return read;
    case Outcome::kSendFailed: read.message = text::kSendFailed; return read;
    case Outcome::kUnpackError: read.message = r.message; return read;
    case Outcome::kAnswered:
    case Outcome::kIdle: break;
    default: return read;
  }
  // On the network nothing is looked at unless something came behind the header.
  if (mode == LinkMode::kNetwork && r.outcome != Outcome::kAnswered) return read;
  read.answered = true;
  LogAnswer parsed = ParseLogAnswer(r.answer);
  read.rows = std::move(parsed.rows);
  read.message = std::move(parsed.error);
  return read;
}

}  // namespace kaviro
