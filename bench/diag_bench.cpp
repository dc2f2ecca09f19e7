// What the link's diagnostics add to a poll: counting (always on) and capturing to a pcapng file,
// over the poll's three block reads against a scripted line in virtual time, so that only the
// engine's own work is timed; and resident memory over 10,000 captured polls.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "diag/capture_writer.h"
#include "link/fake_link.h"  // tests/link: the virtual clock
#include "link/link_service.h"
#include "monitor/poll_worker.h"
#include "resident_memory.h"

namespace {

using namespace kaviro;

std::vector<uint8_t> ReadAnswer(uint8_t function, int count) {
  std::vector<uint8_t> body{1, function, static_cast<uint8_t>(2 * count)};
  for (int i = 0; i < count; ++i) PutU16(body, static_cast<uint16_t>(i));
  const RtuFrame f = RtuFrame::Seal(body);
  return {f.Bytes().begin(), f.Bytes().end()};
}

// A line that answers each request at once with the next of its answers and keeps nothing
// else, so that what the memory case sees growing is the engine's.
class AnsweringLine final : public SerialDevice {
 public:
  std::vector<std::vector<uint8_t>> answers;
  bool IsOpen() const override { return true; }
  void Purge() override { waiting_ = {}; }
  int Queued() override { return static_cast<int>(waiting_.size()); }
  int Read(std::span<uint8_t> out) override {
    const size_t n = std::min(out.size(), waiting_.size());
    std::copy_n(waiting_.begin(), n, out.begin());
    waiting_ = waiting_.subspan(n);
    return static_cast<int>(n);
  }
  int Write(std::span<const uint8_t> bytes) override {
    waiting_ = answers[next_++ % answers.size()];
    return static_cast<int>(bytes.size());
  }

 private:
  std::span<const uint8_t> waiting_;
  size_t next_ = 0;
};

// The poll's three block reads, each answered at once.
class ScriptedPoll {
 public:
  ScriptedPoll() {
    link.UseSerialDevice(&port);
    for (const PollBlock& b : PollBlocks()) {
      requests.push_back(ReadRegisters(1, b.function, b.start, static_cast<uint16_t>(b.count)));
      port.answers.push_back(ReadAnswer(b.function, b.count));
      policies.push_back(PollBlockPolicy(b));
    }
  }
  void Run() {
    for (size_t i = 0; i < requests.size(); ++i) {
      const int expected = static_cast<int>(port.answers[i].size());
      benchmark::DoNotOptimize(link.Exchange(LinkMode::kSerial, requests[i], expected, policies[i]).outcome);
    }
  }
  testing::FakeClock clock;
  AnsweringLine port;
  LinkService link{clock};
  std::vector<RtuFrame> requests;
  std::vector<ExchangePolicy> policies;
};

// The counting alone, as the engine does it after each of the poll's three exchanges.
void BM_CountingPerPoll(benchmark::State& state) {
  const RtuFrame request = ReadRegisters(1, fn::kReadInput, 0, 90);
  const std::vector<uint8_t> answer = ReadAnswer(fn::kReadInput, 90);
  ExchangeResult result;
  result.outcome = Outcome::kAnswered;
  result.answer = answer;
  result.raw = answer;
  LinkStats stats;
  uint64_t now = 0;
  for (auto _ : state) {
    for (int block = 0; block < 3; ++block)
      stats.Record(Classify(LinkMode::kSerial, request, result), 8, answer.size(), 20000, now += 20000);
  }
  benchmark::DoNotOptimize(stats.Snapshot().answers);
}
BENCHMARK(BM_CountingPerPoll)->Unit(benchmark::kMicrosecond);

// A poll's exchanges in virtual time, without and with the capture file: the difference is what
// capturing adds.
void BM_PollExchanges(benchmark::State& state) {
  ScriptedPoll poll;
  for (auto _ : state) poll.Run();
}
BENCHMARK(BM_PollExchanges)->Unit(benchmark::kMicrosecond);

// A capture of the poll's frames to a file of its own in the temp folder, removed afterwards.
class BenchCapture {
 public:
  BenchCapture(ScriptedPoll& poll, benchmark::State& state)
      : poll_(poll),
        path_((std::filesystem::temp_directory_path() / ("kaviro-bench-" + std::to_string(::getpid()) + ".pcap"))
                  .string()) {
    std::string error;
    writer_ = diag::CaptureWriter::Open(path_, poll.clock, error);
    if (!writer_) {
      state.SkipWithError(error.c_str());
      return;
    }
    poll_.link.AddFrameObserver(writer_.get());
  }
  ~BenchCapture() {
    Close();
    std::filesystem::remove(path_);
  }
  explicit operator bool() const { return writer_ != nullptr; }
  size_t frames() const { return writer_->frames(); }
  // Stops capturing; the file stays until this goes.
  uintmax_t Close() {
    if (!writer_) return 0;
    poll_.link.RemoveFrameObserver(writer_.get());
    writer_.reset();
    return std::filesystem::file_size(path_);
  }

 private:
  ScriptedPoll& poll_;
  std::string path_;
  std::unique_ptr<diag::CaptureWriter> writer_;
};

void BM_PollExchangesCaptured(benchmark::State& state) {
  ScriptedPoll poll;
  BenchCapture capture(poll, state);
  if (!capture) return;
  for (auto _ : state) poll.Run();
  state.counters["frames"] = static_cast<double>(capture.frames());
}
BENCHMARK(BM_PollExchangesCaptured)->Unit(benchmark::kMicrosecond);

void BM_ResidentMemoryOver10000CapturedPolls(benchmark::State& state) {
  ScriptedPoll poll;
  BenchCapture capture(poll, state);
  if (!capture) return;
  constexpr int kWarmUp = 1000, kPolls = 10000;
  long before = 0, after = 0;
  for (auto _ : state) {
    for (int i = 0; i < kWarmUp + kPolls; ++i) {
      if (i == kWarmUp) before = ResidentKb();
      poll.Run();
    }
    after = ResidentKb();
  }
  const uintmax_t bytes = capture.Close();
  state.counters["rss_before_kb"] = static_cast<double>(before);
  state.counters["rss_after_kb"] = static_cast<double>(after);
  state.counters["rss_growth_kb"] = static_cast<double>(after - before);
  state.counters["file_mb"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ResidentMemoryOver10000CapturedPolls)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
