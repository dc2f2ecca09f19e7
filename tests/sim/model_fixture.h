#pragma once
// A controller and RD on a manual clock, spoken to in RTU and network frames as the transports do.
#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <vector>

#include "link/acceptance.h"
#include "link/rtu_frame.h"
#include "sim/station.h"
#include "sim/wall_clock.h"

namespace kaviro::sim::testing {

using Bytes = std::vector<uint8_t>;

// Host time of a local date and time: the controller's evolution depends on the time of day.
inline int64_t LocalMs(int year, int month, int day, int hour, int minute = 0, int second = 0) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&t)) * 1000;
}

struct ModelSim {
  explicit ModelSim(int64_t startMs = LocalMs(2024, 5, 17, 12), ControllerSettings settings = {1, 7, 30})
      : clock(startMs), controller(settings, clock), station({{controller, faults, ""}}, relay) {}

  std::optional<Bytes> Rtu(const RtuFrame& request) { return BytesOf(station.AnswerRtu(request.Bytes())); }
  std::optional<Bytes> Rtu(const Bytes& body) { return Rtu(RtuFrame::Seal(body)); }

  // A register read that must succeed; the words of the answer.
  std::vector<uint16_t> Read(uint8_t function, uint16_t start, uint16_t count, uint8_t unit = 1) {
    const auto answer = Rtu(ReadRegisters(unit, function, start, count));
    std::vector<uint16_t> words;
    EXPECT_TRUE(answer && AcceptsRead(*answer, unit)) << "read " << start << " x " << count;
    if (!answer || answer->size() < 5) return words;
    for (size_t i = 0; i < count && 3 + 2 * i + 1 < answer->size() - 2; ++i) words.push_back(GetU16(*answer, 3 + 2 * i));
    return words;
  }
  uint16_t Get(uint16_t reg) {
    const auto words = Read(fn::kReadHolding, reg, 1);
    return words.empty() ? 0 : words[0];
  }
  uint32_t GetPair(uint16_t reg) {
    const auto words = Read(fn::kReadHolding, reg, 2);
    return words.size() < 2 ? 0 : static_cast<uint32_t>(words[0]) << 16 | words[1];
  }

  static std::optional<Bytes> BytesOf(const std::optional<Station::Reply>& reply) {
    return reply ? std::optional<Bytes>(reply->bytes) : std::nullopt;
  }

  ManualWallClock clock;
  Controller controller;
  FaultInjector faults{{}, 1};
  RelayAccessory relay;
  Station station;
};

// The exception code of an exception answer, 0 for a normal one.
inline int ExceptionOf(const Bytes& answer) { return answer.size() == 5 && (answer[1] & 0x80) ? answer[2] : 0; }

}  // namespace kaviro::sim::testing
