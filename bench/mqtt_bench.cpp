// What publishing adds to a poll of kaviro-cli mqtt: the state message built from the report and
// handed to libmosquitto, against a mosquitto broker on loopback; and resident memory over
// 10,000 such polls.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "cli/mqtt/ha_device.h"
#include "cli/mqtt/mqtt_client.h"
#include "cli/register_report.h"
#include "cli/row_values.h"
#include "cli/mqtt_fixture.h"  // tests/cli: the broker on loopback
#include "link/text_format.h"
#include "monitor/decode_rules.h"
#include "resident_memory.h"

namespace {

using namespace kaviro;

// Every row of the Chinese list with a text of its register's kind; `poll` moves the numbers.
void FillReport(cli::RegisterReport& report, int poll) {
  for (size_t r = 0; r < report.size(); ++r) {
    const uint16_t address = report.Descriptor(r).address;
    const DecodeRule* rule = RuleForAddress(address);
    std::string text = "NIGHT";
    if (rule && rule->text == TextKind::kInteger) text = Format("%d", poll % 1000);
    if (rule && rule->text == TextKind::kReal) text = Format("%.2f", 12 + (poll % 100) * 0.01);
    if (rule && rule->text == TextKind::kClock) text = Format("2026-01-15 08:%02d:%02d", poll / 60 % 60, poll % 60);
    if (rule && rule->text == TextKind::kTimeOfDay) text = "01:02:05";
    report.SetRowValue(r, text);
  }
}

struct BrokerAndClient {
  testing::TempDir dir;
  testing::Broker broker{dir};
  std::unique_ptr<cli::MqttClient> client;
  bool Start() {
    if (!broker.Start()) return false;
    cli::MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = broker.port();
    client = std::make_unique<cli::MqttClient>(settings, nullptr, nullptr);
    if (!client->Start({})) return false;
    for (int waited = 0; waited < 5000 && !client->Connected(); waited += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return client->Connected();
  }
  // Every message handed over so far has left: the broker acknowledged one sent after them.
  void Drain() { client->PublishConfirmed("bench/drain", "", false, 5000); }
};

constexpr const char* kStateTopic = "kaviro/bench/state";

void BM_PublishStatePerPoll(benchmark::State& state) {
  BrokerAndClient mqtt;
  if (!mqtt.Start()) {
    state.SkipWithError("mosquitto did not start or take the connection");
    return;
  }
  cli::RegisterReport report(*RegisterTableFor(1));
  int poll = 0;
  for (auto _ : state) {
    state.PauseTiming();
    FillReport(report, ++poll);
    state.ResumeTiming();
    mqtt.client->Publish(kStateTopic, cli::StateJson(cli::RowValues(report)), 0, false);
    if (poll % 100 == 0) {
      state.PauseTiming();
      mqtt.Drain();
      state.ResumeTiming();
    }
  }
  mqtt.Drain();
}
BENCHMARK(BM_PublishStatePerPoll)->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_ResidentMemoryOver10000Polls(benchmark::State& state) {
  BrokerAndClient mqtt;
  if (!mqtt.Start()) {
    state.SkipWithError("mosquitto did not start or take the connection");
    return;
  }
  cli::RegisterReport report(*RegisterTableFor(1));
  constexpr int kWarmUp = 1000, kPolls = 10000;
  long before = 0, after = 0;
  for (auto _ : state) {
    for (int poll = 0; poll < kWarmUp + kPolls; ++poll) {
      if (poll == kWarmUp) {
        mqtt.Drain();
        before = ResidentKb();
      }
      FillReport(report, poll);
      mqtt.client->Publish(kStateTopic, cli::StateJson(cli::RowValues(report)), 0, false);
      if (poll % 100 == 99) mqtt.Drain();
    }
    mqtt.Drain();
    after = ResidentKb();
  }
  state.counters["rss_before_kb"] = static_cast<double>(before);
  state.counters["rss_after_kb"] = static_cast<double>(after);
  state.counters["rss_growth_kb"] = static_cast<double>(after - before);
}
BENCHMARK(BM_ResidentMemoryOver10000Polls)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
