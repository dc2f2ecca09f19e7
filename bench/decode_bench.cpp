// One poll's worth of decoding: the three block answers to values and texts, and their
// placement into the Chinese list.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "monitor/decoder.h"
#include "monitor/register_sink.h"

namespace kaviro {
namespace {

std::vector<uint8_t> Answer(uint8_t function, size_t registers,
                            std::initializer_list<std::pair<size_t, uint16_t>> set) {
  std::vector<uint16_t> words(registers, 0);
  for (const auto& [offset, value] : set) words[offset] = value;
  std::vector<uint8_t> bytes = {0x01, function, static_cast<uint8_t>(2 * registers)};
  for (const uint16_t w : words) {
    bytes.push_back(static_cast<uint8_t>(w >> 8));
    bytes.push_back(static_cast<uint8_t>(w & 0xFF));
  }
  bytes.insert(bytes.end(), {0x00, 0x00});  // CRC, not looked at
  return bytes;
}

// A 12V system charging in daylight.
const std::vector<uint8_t>& InputAnswer() {
  static const auto answer = Answer(0x04, 90, {
      {1, 1000}, {3, 800}, {4, 6},       {24, 1324}, {26, 1319}, {27, 1812}, {28, 50},   {29, 210},
      {31, 1},   {33, 1},  {34, 2000},   {35, 31},   {36, 0x80}, {37, 24},   {39, 845},  {40, 900},
      {41, 1700}, {43, 5123}, {44, 0},   {46, 0x0004}, {50, 6},  {51, 1},    {53, 1234}, {55, 98765},
      {56, 12},  {57, 3456}, {58, 7},    {59, 2345}, {60, 1000}, {61, 30},   {62, 0x2A4B}, {63, 0x1C00},
      {66, 1},   {67, 60},  {68, 0xFFEC}, {69, 1205}, {70, 1410}, {72, 1},   {73, 2512}, {74, 13250},
      {89, 4456},
  });
  return answer;
}

const std::vector<uint8_t>& HoldingAnswer() {
  static const auto answer = Answer(0x03, 27, {
      {3, 30}, {4, 1320}, {5, 4456}, {6, 10000}, {9, 7200}, {10, 3}, {11, 12},
      {14, 1550}, {15, 1450}, {17, 1150}, {18, 1260}, {22, 1}, {24, 1}, {26, 1},
  });
  return answer;
}

const std::vector<uint8_t>& LightingAnswer() {
  static const auto answer = Answer(0x03, 78, {
      {1, 3600}, {3, 7200}, {5, 1800}, {7, 3600}, {8, 5400}, {9, 5000}, {10, 30}, {11, 12},
      {64, 0x414B}, {65, 0x4956}, {66, 0x4F52}, {67, 0x3130}, {76, 1}, {77, 2},
  });
  return answer;
}

constexpr DecodeContext kContext{.batteryVoltage = 0, .workMode = 0, .comPort = 2, .deviceId = 1,
                                 .pollInterval = 3, .language = 1};

class DiscardingSink : public RowSink {
 public:
  void SetRowValue(size_t row, const std::string& text) override {
    benchmark::DoNotOptimize(row);
    benchmark::DoNotOptimize(text.data());
  }
};

void BM_DecodeThreeBlocks(benchmark::State& state) {
  DecodedValues values;
  for (auto _ : state) {
    auto input = DecodeBlock(kBlockInput, InputAnswer(), kContext, values);
    auto holding = DecodeBlock(kBlockHolding, HoldingAnswer(), kContext, values);
    auto lighting = DecodeBlock(kBlockLighting, LightingAnswer(), kContext, values);
    benchmark::DoNotOptimize(input);
    benchmark::DoNotOptimize(holding);
    benchmark::DoNotOptimize(lighting);
  }
}
BENCHMARK(BM_DecodeThreeBlocks);

void BM_DecodeAndPlaceThreeBlocks(benchmark::State& state) {
  const RegisterTable table = RegisterTableFor(1).value();
  DecodedValues values;
  DiscardingSink sink;
  for (auto _ : state) {
    PlaceTexts(table, sink, DecodeBlock(kBlockInput, InputAnswer(), kContext, values));
    PlaceTexts(table, sink, DecodeBlock(kBlockHolding, HoldingAnswer(), kContext, values));
    PlaceTexts(table, sink, DecodeBlock(kBlockLighting, LightingAnswer(), kContext, values));
  }
}
BENCHMARK(BM_DecodeAndPlaceThreeBlocks);

}  // namespace
}  // namespace kaviro
