#include "monitor/poll_worker.h"

#include <mutex>

#include "link/link_texts.h"

namespace kaviro {

namespace {

constexpr int kPauseBetweenHoldingReadsMs = 100;

constexpr PollBlock kReads[] = {
    {0x04, 0x0000, 90, 10, 200, kBlockInput, "3需要数据长度=%d,实际读回数据长度=%d"},
    {0x03, 0xE000, 27, 20, 100, kBlockHolding, "1需要数据长度=%d,实际读回数据长度=%d"},
    {0x03, 0xE080, 78, 20, 100, kBlockLighting, "2需要数据长度=%d,实际读回数据长度=%d"},
};

}  // namespace

std::span<const PollBlock> PollBlocks() { return kReads; }

ExchangePolicy PollBlockPolicy(const PollBlock& read) {
  return {.line = wait::UntilBytes{.sleepMs = read.sleepMs, .checks = read.checks},
          .unpack = unpack::Exact{read.mismatch},
          .lineAccept = Accept::kReadRule,
          .net = wait::MatchTransaction{.sleepMs = 10, .checks = 50},
          .netAccept = Accept::kByteCount};
}

PollWorker::PollWorker(LinkService& link, SharedConfig& config, DecodedValues& values, PollObserver& observer)
    : link_(link), config_(config), values_(values), observer_(observer) {}

PollWorker::~PollWorker() { Stop(); }

void PollWorker::Start() {
  if (thread_.joinable()) return;
  link_.receive().Clear();
  stopRequested_.store(false);
  running_.store(true);
  enabled_.store(true);
  thread_ = std::thread([this] { Loop({}); });
}

void PollWorker::Stop() {
  stopRequested_.store(true);
  running_.store(false);
  if (thread_.joinable()) thread_.join();
}

void PollWorker::RunLoop(const PassFn& pass) {
  stopRequested_.store(false);
  running_.store(true);
  enabled_.store(true);
  Loop(pass);
}

void PollWorker::Loop(const PassFn& pass) {
  Clock& clock = link_.clock();
  // 32-bit tick arithmetic: the interval counts from the end of one poll to the start of the next.
  auto intervalMs = [this] { return static_cast<uint32_t>(config_.Get().pollInterval) * 1000u; };
  uint32_t last = static_cast<uint32_t>(clock.NowMs()) - intervalMs();
  while (running_.load()) {
    std::optional<PollResult> result;
    if (observer_.MessageOpen()) {
      last = static_cast<uint32_t>(clock.NowMs());  // the poll that raised it ends when it is closed
    } else if (enabled_.load() && static_cast<uint32_t>(clock.NowMs()) - last >= intervalMs()) {
      result = PollOnce();
      last = static_cast<uint32_t>(clock.NowMs());
      ++polls_;
      observer_.OnPollEnded(*result);
    }
    if (pass && !pass(result)) break;
    clock.SleepMs(10);
  }
}

PollResult PollWorker::PollOnce() {
  std::lock_guard lock(link_.Mutex());
  const AppConfig config = config_.Get();
  if (LinkModeOf(config.workMode) == LinkMode::kNetwork) {
    if (!link_.Connected()) return PollResult::kSkipped;
  } else if (!link_.EnsureSerialOpen(config.comPort)) {
    return PollResult::kSkipped;
  }

  switch (Read(kReads[0], config)) {
    case ReadOutcome::kCancelled: return PollResult::kCancelled;
    case ReadOutcome::kOk: break;
    default:
      // Not reset on a lost connection: every further failure reports it again.
      if (++failures_ > 3) observer_.OnConnectionLost();
      return PollResult::kFailed;
  }
  // Reads 2 and 3 are not counted, so whatever ends the poll after here, the controller answered.
  failures_.store(0);
  const ReadOutcome second = Read(kReads[1], config);
  if (second == ReadOutcome::kCancelled) return PollResult::kCancelled;
  if (second == ReadOutcome::kEndPoll) return PollResult::kSucceeded;
  link_.clock().SleepMs(kPauseBetweenHoldingReadsMs);
  if (Read(kReads[2], config) == ReadOutcome::kCancelled) return PollResult::kCancelled;
  return PollResult::kSucceeded;
}

PollWorker::ReadOutcome PollWorker::Read(const PollBlock& read, const AppConfig& config) {
  const LinkMode mode = LinkModeOf(config.workMode);
  const auto unit = static_cast<uint8_t>(config.deviceId);
  const int expected = ReadAnswerLength(read.count);

  const ExchangePolicy policy = PollBlockPolicy(read);

  // A pause is honoured before each read. Once a serial request is out its answer is awaited even
  // when a pause comes: cut short, it would arrive in the middle of the dialog's own exchange.
  // On the network the transaction id keeps a late answer apart, and stopping never waits.
  if (stopRequested_.load() || !enabled_.load()) return ReadOutcome::kCancelled;
  const ExchangeResult result =
      link_.Exchange(mode, ReadRegisters(unit, read.function, read.start, read.count), expected, policy, [this, mode] {
        return stopRequested_.load() || (mode == LinkMode::kNetwork && !enabled_.load());
      });
  switch (result.outcome) {
    case Outcome::kAnswered: {
      const DecodeContext context{config.batteryVoltage, config.workMode, config.comPort,
                                  config.deviceId,       config.pollInterval, config.language};
      observer_.OnBlockDecoded(DecodeBlock(read.block, link_.receive().Stored(), context, values_));
      return ReadOutcome::kOk;
    }
    case Outcome::kCancelled: return ReadOutcome::kCancelled;
    case Outcome::kUnpackError:
      observer_.OnMessage(result.message);
      return ReadOutcome::kEndPoll;
    case Outcome::kSendFailed:
    case Outcome::kNotConnected:
      observer_.OnStatusText(text::kSendFailed);
      return ReadOutcome::kEndPoll;
    case Outcome::kTimedOut:
      // On the network a missing answer is not held against the controller.
      return mode == LinkMode::kNetwork ? ReadOutcome::kOk : ReadOutcome::kFailed;
    default: return ReadOutcome::kFailed;
  }
}

}  // namespace kaviro
