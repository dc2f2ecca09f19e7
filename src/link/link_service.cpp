#include "link/link_service.h"

#include <algorithm>

#include "link/acceptance.h"
#include "link/radio_packet.h"

namespace kaviro {

namespace {

// `request` gives the unit the read rule looks for and the function the byte-count rule wants
// back: an answer of another function (an exception among them) answers something else.
bool Accepts(Accept rule, std::span<const uint8_t> answer, int count, const RtuFrame& request) {
  const uint8_t unit = request.size() ? request[0] : 0;
  switch (rule) {
    case Accept::kNone: return true;
    case Accept::kReadRule: return AcceptsRead(answer, unit);
    case Accept::kByteCount:
      return AcceptsByteCount(answer, count) && request.size() > 1 && answer[1] == request[1];
  }
  return false;
}

bool Stopped(const StopFn& stop) { return stop && stop(); }

}  // namespace

LinkService::LinkService(Clock& clock) : clock_(clock) {}

bool LinkService::EnsureSerialOpen(int comPort) {
  return serial_ != &port_ ? serial_->IsOpen() : port_.OpenCom(comPort);
}

bool LinkService::EnsureSerialOpenPath(const std::string& path) {
  return serial_ != &port_ ? serial_->IsOpen() : port_.OpenPath(path);
}

void LinkService::SetConnection(std::shared_ptr<NetSocket> socket) {
  std::lock_guard lock(connectionMutex_);
  connection_ = std::move(socket);
  inbox_.Clear();  // what came on the old connection is no answer on the new one
}

std::shared_ptr<NetSocket> LinkService::Connection() const {
  std::lock_guard lock(connectionMutex_);
  return connection_;
}

ExchangeResult LinkService::Exchange(LinkMode mode, const RtuFrame& request, int expected,
                                     const ExchangePolicy& policy, const StopFn& stop) {
  ExchangeResult result = mode == LinkMode::kNetwork
                              ? NetworkExchange(request, policy, stop)
                              : SerialExchange(mode == LinkMode::kWireless, request, expected, policy, stop);
  if (result.ok()) {
    const Accept rule = mode == LinkMode::kNetwork ? policy.netAccept : policy.accept;
    if (!Accepts(rule, receive_.Stored(), receive_.count, request)) result.outcome = Outcome::kRejected;
  }
  return result;
}

ExchangeResult LinkService::SerialExchange(bool wireless, const RtuFrame& request, int expected,
                                           const ExchangePolicy& policy, const StopFn& stop) {
  ExchangeResult result;
  if (!serial_->IsOpen()) {
    result.outcome = Outcome::kNotOpen;
    return result;
  }
  serial_->Purge();
  int waitFor = expected;
  if (wireless) {
    WritePackets(request);
    waitFor = PacketsFor(expected);
  } else if (policy.serialBlock > request.size()) {
    std::vector<uint8_t> block(request.Bytes().begin(), request.Bytes().end());
    block.resize(policy.serialBlock, 0);
    serial_->Write(block);
  } else {
    serial_->Write(request.Bytes());
  }

  result.outcome = SerialWaitLoop(waitFor, policy, stop, result);
  result.raw = collected_;
  const bool haveBytes = !collected_.empty() &&
                         (result.outcome == Outcome::kAnswered || result.outcome == Outcome::kIdle);
  if (!haveBytes) return result;

  if (!wireless || policy.unpack == Unpack::kNone) {
    plain_ = collected_;
  } else {
    Unpacked joined = policy.unpack == Unpack::kGeneral ? UnpackAnswer(collected_)
                      : policy.unpack == Unpack::kLog   ? UnpackLogAnswer(collected_)
                                                        : UnpackPollAnswer(collected_, expected, policy.unpackMismatchFormat);
    if (!joined.ok()) {
      result.outcome = Outcome::kUnpackError;
      result.message = std::move(joined.error);
      return result;
    }
    plain_ = std::move(joined.plain);
  }
  receive_.Assign(plain_);
  result.answer = plain_;
  return result;
}

Outcome LinkService::SerialWaitLoop(int waitFor, const ExchangePolicy& policy, const StopFn& stop,
                                    ExchangeResult& result) {
  const SerialWait& w = policy.serial;
  const size_t need = static_cast<size_t>(std::max(waitFor, 0));
  const size_t capacity = std::max(w.capacity, need);
  collected_.clear();
  int idle = 0;
  bool dataSeen = false;
  std::vector<uint8_t> chunk;
  for (int check = 1; w.maxChecks == 0 || check <= w.maxChecks; ++check) {
    if (Stopped(stop)) return Outcome::kCancelled;
    clock_.SleepMs(w.sleepMs);
    const int queued = serial_->Queued();
    result.tally += queued;
    if (queued <= 0) {
      if (!w.idleAfterDataOnly || dataSeen) ++idle;
      if (w.idleLimit && idle >= w.idleLimit && (!w.idleNeedsComplete || collected_.size() >= need))
        return collected_.size() >= need ? Outcome::kIdle : Outcome::kGaveUp;
      continue;
    }
    idle = 0;
    const size_t q = static_cast<size_t>(queued);
    if (w.take != SerialWait::Take::kAllQueued && q < need) continue;

    // Read what this check takes; whatever would overflow the capacity is read and dropped,
    // so a flooding line can never hold the wait open or run past the buffer.
    const size_t want = w.take == SerialWait::Take::kExactWhenEnough ? need : q;
    chunk.resize(want);
    const int got = serial_->Read(chunk);
    chunk.resize(static_cast<size_t>(std::max(got, 0)));
    if (w.take != SerialWait::Take::kAllQueued) collected_.clear();
    const size_t room = capacity - std::min(capacity, collected_.size());
    collected_.insert(collected_.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(std::min(room, chunk.size())));
    dataSeen = true;
    if (w.take == SerialWait::Take::kAllWhenEnough && static_cast<size_t>(std::max(got, 0)) < want)
      return Outcome::kShortRead;

    if (policy.judgeRead) {
      if (policy.judgeRead(collected_)) return Outcome::kAnswered;
      ++result.rejectedReads;
      continue;
    }
    if (w.stopWhenComplete && collected_.size() >= need) return Outcome::kAnswered;
  }
  // Callers that always run all their checks take what came in by then.
  if (w.runAllChecks && !policy.judgeRead && !collected_.empty() && collected_.size() >= need)
    return Outcome::kAnswered;
  return Outcome::kTimedOut;
}

ExchangeResult LinkService::NetworkExchange(const RtuFrame& request, const ExchangePolicy& policy, const StopFn& stop) {
  ExchangeResult result;
  const NetWait& w = policy.net;
  const std::shared_ptr<NetSocket> socket = Connection();
  if (!Connected() || !socket) {
    result.outcome = Outcome::kNotConnected;
    return result;
  }
  const uint16_t id = transaction_.Current();
  const std::vector<uint8_t> frame = BuildNetworkRequest(id, w.protocol, request.WithoutCrc());
  // Cleared before sending: an answer fast enough to beat the wait must not be wiped.
  inbox_.Reset();
  if (socket->Send(frame) != static_cast<int>(frame.size())) {
    result.outcome = Outcome::kSendFailed;
    return result;
  }

  collected_.clear();
  if (w.idleLimit > 0) {
    // Collect everything until the line has been quiet long enough; the answer is what follows
    // the first header.
    std::vector<uint8_t> chunk(NetInbox::kSize);
    int idle = 0;
    for (int attempt = 1; w.maxTries == 0 || attempt <= w.maxTries; ++attempt) {
      if (Stopped(stop)) {
        result.outcome = Outcome::kCancelled;
        break;
      }
      clock_.SleepMs(w.sleepMs);
      const int n = socket->Receive(chunk);
      if (n <= 0) {
        if (++idle >= w.idleLimit) break;
        continue;
      }
      idle = 0;
      const size_t room = w.capacity - std::min(w.capacity, collected_.size());
      collected_.insert(collected_.end(), chunk.begin(), chunk.begin() + std::min<std::ptrdiff_t>(n, static_cast<std::ptrdiff_t>(room)));
    }
    result.raw = collected_;
    if (result.outcome != Outcome::kCancelled) {
      result.outcome = collected_.size() > kNetworkHeader ? Outcome::kAnswered : Outcome::kIdle;
      if (result.outcome == Outcome::kAnswered) {
        plain_.assign(collected_.begin() + kNetworkHeader, collected_.end());
        receive_.Assign(plain_);
        result.answer = plain_;
      }
    }
    FinishNetwork();
    return result;
  }

  // The answer is taken once the bytes its length field announces are in, however many receives
  // (here or in the read notification) that takes.
  bool matched = false;
  for (int attempt = 1; w.maxTries == 0 || attempt <= w.maxTries; ++attempt) {
    if (Stopped(stop)) {
      result.outcome = Outcome::kCancelled;
      FinishNetwork();
      return result;
    }
    clock_.SleepMs(w.sleepMs);
    const int n = inbox_.Arrived() ? 1 : inbox_.ReceiveFrom(*socket, id);
    if (inbox_.Arrived()) {
      matched = true;
      break;
    }
    if (w.failOnReceiveError && n != NetSocket::kWouldBlock && n <= 0) {
      result.outcome = Outcome::kReceiveError;
      FinishNetwork();
      return result;
    }
  }
  if (matched) {
    collected_ = inbox_.Answer();
    result.raw = collected_;
    if (CopyNetworkAnswer(collected_, receive_)) {
      result.outcome = Outcome::kAnswered;
      result.answer = receive_.Stored();
    } else {
      result.outcome = Outcome::kBadLength;
    }
  } else if (std::vector<uint8_t> part = inbox_.Unfinished(id); !part.empty()) {
    // It began but the wait ended before the rest came: never decoded from what is missing.
    collected_ = std::move(part);
    result.raw = collected_;
    result.outcome = Outcome::kBadLength;
  } else {
    result.outcome = Outcome::kTimedOut;
  }
  FinishNetwork();
  return result;
}

void LinkService::FinishNetwork() {
  transaction_.Advance();
  inbox_.Reset();
}

Outcome LinkService::SendOnly(LinkMode mode, const RtuFrame& request, Protocol protocol) {
  if (mode == LinkMode::kNetwork) {
    const std::shared_ptr<NetSocket> socket = Connection();
    if (!Connected() || !socket) return Outcome::kNotConnected;
    const std::vector<uint8_t> frame = BuildNetworkRequest(transaction_.Current(), protocol, request.WithoutCrc());
    if (socket->Send(frame) != static_cast<int>(frame.size())) return Outcome::kSendFailed;
    transaction_.Advance();
    return Outcome::kAnswered;
  }
  if (!serial_->IsOpen()) return Outcome::kNotOpen;
  serial_->Purge();
  if (mode == LinkMode::kSerial) {
    serial_->Write(request.Bytes());
    return Outcome::kAnswered;
  }
  WritePackets(request);
  return Outcome::kAnswered;
}

void LinkService::WritePackets(const RtuFrame& request) {
  if (request.size() < kPacketData) {
    serial_->Write(PackRequest(request.Bytes()));
    return;
  }
  for (const RadioPacket& packet : PackFrame(request.Bytes())) {
    serial_->Write(packet);
    if (packet[kPacketData] == kPacketData) clock_.SleepMs(100);  // the adapter needs time per full packet
  }
}

}  // namespace kaviro
