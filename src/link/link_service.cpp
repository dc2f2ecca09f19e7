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
  sentBytes_ = 0;
  ExchangeResult result = mode == LinkMode::kNetwork
                              ? NetworkExchange(request, policy, stop)
                              : SerialExchange(mode == LinkMode::kWireless, request, expected, policy, stop);
  if (result.ok()) {
    const Accept rule = mode == LinkMode::kNetwork ? policy.netAccept : policy.lineAccept;
    if (!Accepts(rule, receive_.Stored(), receive_.count, request)) result.outcome = Outcome::kRejected;
  }
  const uint64_t nowUs = clock_.NowUs();
  if (observed_.load(std::memory_order_relaxed)) ShowReceived(mode, result);
  if (mode == LinkMode::kNetwork) stats_.RecordWrongTransactions(inbox_.TakeSteppedOver());
  stats_.Record(Classify(mode, request, result), sentBytes_, result.raw.size(), nowUs - std::min(nowUs, sentAtUs_),
                nowUs);
  return result;
}

void LinkService::AddFrameObserver(FrameObserver* observer) {
  std::lock_guard lock(observersMutex_);
  observers_.push_back(observer);
  observed_.store(true);
}

void LinkService::RemoveFrameObserver(FrameObserver* observer) {
  std::lock_guard lock(observersMutex_);
  std::erase(observers_, observer);
  observed_.store(!observers_.empty());
}

void LinkService::Show(FrameDirection direction, FrameLayer layer, std::span<const uint8_t> bytes) {
  if (bytes.empty()) return;
  std::lock_guard lock(observersMutex_);
  const FrameRecord record{clock_.NowUs(), direction, layer, bytes};
  for (FrameObserver* o : observers_) o->OnFrame(record);
}

void LinkService::ShowReceived(LinkMode mode, const ExchangeResult& result) {
  if (mode == LinkMode::kNetwork) return Show(FrameDirection::kIn, FrameLayer::kModbusTcp, result.raw);
  if (mode == LinkMode::kSerial) return Show(FrameDirection::kIn, FrameLayer::kRtu, result.raw);
  for (size_t at = 0; at < result.raw.size(); at += kPacketSize)
    Show(FrameDirection::kIn, FrameLayer::kRadio, result.raw.subspan(at, std::min(kPacketSize, result.raw.size() - at)));
  Show(FrameDirection::kIn, FrameLayer::kRtu, result.answer);
}

void LinkService::Sent(std::span<const uint8_t> bytes, FrameLayer layer) {
  sentBytes_ += bytes.size();
  sentAtUs_ = clock_.NowUs();
  if (observed_.load(std::memory_order_relaxed)) Show(FrameDirection::kOut, layer, bytes);
}

void LinkService::WriteLine(std::span<const uint8_t> bytes, FrameLayer layer) {
  serial_->Write(bytes);
  Sent(bytes, layer);
}

int LinkService::SendFrame(NetSocket& socket, std::span<const uint8_t> frame) {
  const int sent = socket.Send(frame);
  Sent(frame.first(static_cast<size_t>(std::clamp(sent, 0, static_cast<int>(frame.size())))), FrameLayer::kModbusTcp);
  return sent;
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
  } else if (policy.block > request.size()) {
    std::vector<uint8_t> block(request.Bytes().begin(), request.Bytes().end());
    block.resize(policy.block, 0);
    WriteLine(block, FrameLayer::kRtu);
  } else {
    WriteLine(request.Bytes(), FrameLayer::kRtu);
  }

  collected_.clear();
  const LineLook look{static_cast<size_t>(std::max(waitFor, 0)), stop, result};
  result.outcome = std::visit([&](const auto& rule) { return Wait(rule, look); }, policy.line);
  result.raw = collected_;
  const bool haveBytes = !collected_.empty() &&
                         (result.outcome == Outcome::kAnswered || result.outcome == Outcome::kIdle);
  if (!haveBytes) return result;

  Unpacked joined = wireless ? std::visit([&](const auto& how) { return Join(how, collected_, expected); }, policy.unpack)
                             : Unpacked{collected_, {}};
  if (!joined.ok()) {
    result.outcome = Outcome::kUnpackError;
    result.message = std::move(joined.error);
    return result;
  }
  plain_ = std::move(joined.plain);
  receive_.Assign(plain_);
  result.answer = plain_;
  return result;
}

Unpacked LinkService::Join(const unpack::None&, std::span<const uint8_t> bytes, int) { return {{bytes.begin(), bytes.end()}, {}}; }
Unpacked LinkService::Join(const unpack::General&, std::span<const uint8_t> bytes, int) { return UnpackAnswer(bytes); }
Unpacked LinkService::Join(const unpack::Exact& how, std::span<const uint8_t> bytes, int expected) {
  return UnpackPollAnswer(bytes, expected, how.mismatchFormat);
}
Unpacked LinkService::Join(const unpack::Log&, std::span<const uint8_t> bytes, int) { return UnpackLogAnswer(bytes); }

size_t LinkService::Look(int sleepMs, const LineLook& look) {
  clock_.SleepMs(sleepMs);
  const int queued = std::max(serial_->Queued(), 0);
  look.result.tally += queued;
  return static_cast<size_t>(queued);
}

int LinkService::ReadInto(size_t want, size_t capacity, bool replace) {
  std::vector<uint8_t>& chunk = chunk_;
  chunk.resize(want);
  const int got = std::max(serial_->Read(chunk), 0);
  chunk.resize(static_cast<size_t>(got));
  if (replace) collected_.clear();
  // Whatever would overflow the capacity is read and dropped: a flooding line never runs past the
  // buffer, and every rule ends after its checks whatever arrives.
  const size_t room = capacity - std::min(capacity, collected_.size());
  collected_.insert(collected_.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(std::min(room, chunk.size())));
  return got;
}

Outcome LinkService::Wait(const wait::UntilBytes& rule, const LineLook& look) {
  for (int check = 1; check <= rule.checks; ++check) {
    if (Stopped(look.stop)) return Outcome::kCancelled;
    const size_t queued = Look(rule.sleepMs, look);
    if (queued == 0 || queued < look.need) continue;
    const bool exact = rule.take == wait::UntilBytes::Take::kExact;
    const size_t want = exact ? look.need : queued;
    const int got = ReadInto(want, exact ? look.need : std::max(rule.capacity, look.need), true);
    if (!exact && static_cast<size_t>(got) < want) return Outcome::kShortRead;
    return Outcome::kAnswered;
  }
  return Outcome::kTimedOut;
}

Outcome LinkService::Wait(const wait::AllChecks& rule, const LineLook& look) {
  for (int check = 1; check <= rule.checks; ++check) {
    if (Stopped(look.stop)) return Outcome::kCancelled;
    const size_t queued = Look(rule.sleepMs, look);
    if (queued > 0 && queued >= look.need) ReadInto(look.need, look.need, true);
  }
  return !collected_.empty() && collected_.size() >= look.need ? Outcome::kAnswered : Outcome::kTimedOut;
}

Outcome LinkService::Wait(const wait::UntilJudged& rule, const LineLook& look) {
  for (int check = 1; check <= rule.checks; ++check) {
    if (Stopped(look.stop)) return Outcome::kCancelled;
    const size_t queued = Look(rule.sleepMs, look);
    if (queued == 0 || queued < look.need) continue;
    if (static_cast<size_t>(ReadInto(queued, std::max(rule.capacity, look.need), true)) < queued) return Outcome::kShortRead;
    if (rule.judge(collected_)) return Outcome::kAnswered;
    ++look.result.rejectedReads;
  }
  return Outcome::kTimedOut;
}

Outcome LinkService::Wait(const wait::Gather& rule, const LineLook& look) {
  using From = wait::Gather::QuietFrom;
  const size_t capacity = std::max(rule.capacity, look.need);
  int quiet = 0;
  for (int check = 1; check <= rule.checks; ++check) {
    if (Stopped(look.stop)) return Outcome::kCancelled;
    const size_t queued = Look(rule.sleepMs, look);
    const bool whole = collected_.size() >= look.need;
    if (queued == 0) {
      const bool counts = rule.from == From::kStart || (rule.from == From::kFirstByte && !collected_.empty()) ||
                          (rule.from == From::kWholeAnswer && whole && !collected_.empty());
      if (counts) ++quiet;
      if (rule.quiet > 0 && quiet >= rule.quiet) return whole ? Outcome::kIdle : Outcome::kGaveUp;
      continue;
    }
    quiet = 0;
    ReadInto(queued, capacity, false);
    if (rule.untilComplete && collected_.size() >= look.need) return Outcome::kAnswered;
  }
  return Outcome::kTimedOut;
}

ExchangeResult LinkService::NetworkExchange(const RtuFrame& request, const ExchangePolicy& policy, const StopFn& stop) {
  ExchangeResult result;
  const std::shared_ptr<NetSocket> socket = Connection();
  if (!Connected() || !socket) {
    result.outcome = Outcome::kNotConnected;
    return result;
  }
  const uint16_t id = transaction_.Current();
  const std::vector<uint8_t> frame = BuildNetworkRequest(id, policy.protocol, request.WithoutCrc());
  // Cleared before sending: an answer fast enough to beat the wait must not be wiped.
  inbox_.Reset();
  if (SendFrame(*socket, frame) != static_cast<int>(frame.size())) {
    result.outcome = Outcome::kSendFailed;
    return result;
  }
  collected_.clear();
  const NetLook look{*socket, id, stop, result};
  result.outcome = std::visit([&](const auto& rule) { return Wait(rule, look); }, policy.net);
  FinishNetwork();
  return result;
}

Outcome LinkService::Wait(const wait::MatchTransaction& rule, const NetLook& look) {
  // The answer is taken once the bytes its length field announces are in, however many receives
  // (here or in the read notification) that takes.
  ExchangeResult& result = look.result;
  bool matched = false;
  for (int check = 1; check <= rule.checks && !matched; ++check) {
    if (Stopped(look.stop)) return Outcome::kCancelled;
    clock_.SleepMs(rule.sleepMs);
    const int n = inbox_.Arrived() ? 1 : inbox_.ReceiveFrom(look.socket, look.id);
    matched = inbox_.Arrived();
    if (!matched && rule.failOnReceiveError && n != NetSocket::kWouldBlock && n <= 0) return Outcome::kReceiveError;
  }
  if (matched) {
    collected_ = inbox_.Answer();
    result.raw = collected_;
    if (!CopyNetworkAnswer(collected_, receive_)) return Outcome::kBadLength;
    result.answer = receive_.Stored();
    return Outcome::kAnswered;
  }
  if (std::vector<uint8_t> part = inbox_.Unfinished(look.id); !part.empty()) {
    // It began but the wait ended before the rest came: never decoded from what is missing.
    collected_ = std::move(part);
    result.raw = collected_;
    return Outcome::kBadLength;
  }
  return Outcome::kTimedOut;
}

Outcome LinkService::Wait(const wait::CollectUntilQuiet& rule, const NetLook& look) {
  std::vector<uint8_t>& chunk = chunk_;
  chunk.resize(NetInbox::kSize);
  int quiet = 0;
  for (int check = 1; check <= rule.checks; ++check) {
    if (Stopped(look.stop)) return Outcome::kCancelled;
    clock_.SleepMs(rule.sleepMs);
    const int n = look.socket.Receive(chunk);
    if (n <= 0) {
      if (++quiet >= rule.quiet) break;
      continue;
    }
    quiet = 0;
    const size_t room = rule.capacity - std::min(rule.capacity, collected_.size());
    collected_.insert(collected_.end(), chunk.begin(), chunk.begin() + std::min<std::ptrdiff_t>(n, static_cast<std::ptrdiff_t>(room)));
  }
  // A late answer to an earlier request may stand in front: whole frames of other transactions
  // are stepped over by their length. What is left is the answer, checked by its own rules.
  size_t at = 0;
  const std::span<const uint8_t> all = collected_;
  while (at + kNetworkHeader <= all.size() && !MatchesTransaction(all.subspan(at), look.id) &&
         LooksLikeFrame(all.subspan(at))) {
    at += kNetworkHeader + *NetworkLength(all.subspan(at));
    stats_.RecordWrongTransactions(1);
  }
  at = std::min(at, all.size());
  collected_.erase(collected_.begin(), collected_.begin() + static_cast<std::ptrdiff_t>(at));
  look.result.raw = collected_;
  if (collected_.size() <= kNetworkHeader) return Outcome::kGaveUp;
  plain_.assign(collected_.begin() + kNetworkHeader, collected_.end());
  receive_.Assign(plain_);
  look.result.answer = plain_;
  return Outcome::kAnswered;
}

int WorstCaseMs(const LineWait& wait) {
  return std::visit([](const auto& rule) { return rule.checks * rule.sleepMs; }, wait);
}

int WorstCaseMs(const NetWait& wait) {
  return std::visit([](const auto& rule) { return rule.checks * rule.sleepMs; }, wait);
}

void LinkService::FinishNetwork() {
  transaction_.Advance();
  inbox_.Reset();
}

void LinkService::Settle(LinkMode mode, int ms) {
  clock_.SleepMs(ms);
  if (mode != LinkMode::kNetwork) return;
  std::lock_guard lock(mutex_);
  if (const std::shared_ptr<NetSocket> socket = Connection()) inbox_.ReceiveFrom(*socket, transaction_.Current());
}

Outcome LinkService::SendOnly(LinkMode mode, const RtuFrame& request, Protocol protocol) {
  sentBytes_ = 0;
  if (mode == LinkMode::kNetwork) {
    const std::shared_ptr<NetSocket> socket = Connection();
    if (!Connected() || !socket) return Outcome::kNotConnected;
    const std::vector<uint8_t> frame = BuildNetworkRequest(transaction_.Current(), protocol, request.WithoutCrc());
    const bool whole = SendFrame(*socket, frame) == static_cast<int>(frame.size());
    stats_.RecordSend(sentBytes_);
    if (!whole) return Outcome::kSendFailed;
    transaction_.Advance();
    return Outcome::kAnswered;
  }
  if (!serial_->IsOpen()) return Outcome::kNotOpen;
  serial_->Purge();
  if (mode == LinkMode::kSerial) WriteLine(request.Bytes(), FrameLayer::kRtu);
  else WritePackets(request);
  stats_.RecordSend(sentBytes_);
  return Outcome::kAnswered;
}

void LinkService::WritePackets(const RtuFrame& request) {
  // The frame the packets carry goes to the observers first, in front of its packets.
  if (observed_.load(std::memory_order_relaxed)) Show(FrameDirection::kOut, FrameLayer::kRtu, request.Bytes());
  if (request.size() < kPacketData) {
    WriteLine(PackRequest(request.Bytes()), FrameLayer::kRadio);
    return;
  }
  for (const RadioPacket& packet : PackFrame(request.Bytes())) {
    WriteLine(packet, FrameLayer::kRadio);
    if (packet[kPacketData] == kPacketData) clock_.SleepMs(100);  // the adapter needs time per full packet
  }
}

}  // namespace kaviro
