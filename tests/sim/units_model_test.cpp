// Several controllers from one command line: what each is made of, and who answers on the line.
#include <gtest/gtest.h>

#include "link/rtu_frame.h"
#include "sim/unit_plan.h"
#include "sim/wall_clock.h"
#include "sim/model_fixture.h"

namespace kaviro::sim::testing {
namespace {

SimOptions Options(std::vector<std::string> args) {
  const ParsedOptions parsed = ParseSimOptions(args);
  EXPECT_TRUE(parsed.error.empty()) << parsed.error;
  return parsed.options;
}

TEST(UnitPlan, ALoneControllerStaysAsItWasAndUnitsDifferByAddress) {
  const auto lone = PlanUnits(Options({"--id", "5", "--seed", "9", "--drop", "1", "--forget-writes"}));
  ASSERT_EQ(lone.size(), 1u);
  EXPECT_EQ(lone[0].controller.unit, 5);
  EXPECT_EQ(lone[0].controller.seed, 9u);
  EXPECT_EQ(lone[0].faultSeed, 9u ^ 0x5EEDFA17u);
  EXPECT_FALSE(lone[0].controller.serial) << "the factory serial";
  EXPECT_TRUE(lone[0].label.empty()) << "verbose lines keep their one-controller form";
  EXPECT_TRUE(lone[0].faults.drop == 1 && lone[0].controller.forgetWrites && lone[0].signalled);

  const auto three = PlanUnits(Options({"--units", "4,2,7", "--seed", "9", "--drop", "1", "--forget-writes",
                                        "--fault-units", "2", "--signal-units", "7"}));
  ASSERT_EQ(three.size(), 3u);
  struct Expected {
    uint8_t unit;
    const char* serial;
    const char* label;
    bool faulty;
    bool signalled;
  } rows[] = {{4, "24051704", "unit 4", false, false}, {2, "24051702", "unit 2", true, false}, {7, "24051707", "unit 7", false, true}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(rows[i].label);
    EXPECT_EQ(three[i].controller.unit, rows[i].unit);
    EXPECT_EQ(three[i].controller.serial, rows[i].serial);
    EXPECT_EQ(three[i].label, rows[i].label);
    EXPECT_EQ(three[i].faults.drop == 1, rows[i].faulty);
    EXPECT_EQ(three[i].controller.forgetWrites, rows[i].faulty);
    EXPECT_EQ(three[i].signalled, rows[i].signalled);
  }
  EXPECT_EQ(three[0].controller.seed, 9u) << "the first unit has a lone controller's values";
  EXPECT_NE(three[1].controller.seed, three[2].controller.seed);
  EXPECT_NE(three[1].faultSeed, three[2].faultSeed);
}

// Three controllers on one line, on a manual clock.
struct Line {
  explicit Line(const std::vector<std::string>& args)
      : clock(LocalMs(2024, 5, 17, 12)), units(PlanUnits(Options(args)), clock, nullptr), station(units.OnTheLine(), relay) {}

  // Who answered an RTU request: the unit's label, or "" for no answer.
  std::string Rtu(const Bytes& body) {
    const auto reply = station.AnswerRtu(RtuFrame::Seal(body).Bytes());
    return reply ? std::string(reply->from) : "";
  }

  ManualWallClock clock;
  Units units;
  RelayAccessory relay;
  Station station;
};

TEST(Station, TheFirstUnitListedAtAnAddressAnswersThere) {
  Line line({"--units", "1,2,3"});
  struct Step {
    Bytes request;
    const char* answeredBy;
  } steps[] = {
      {{2, 0x03, 0x00, 0x40, 0x00, 0x01}, "unit 2"},
      {{3, 0x06, 0x00, 0x40, 0x00, 0x01}, "unit 3"},  // unit 3 moves onto unit 1's address
      {{3, 0x03, 0x00, 0x40, 0x00, 0x01}, ""},
      {{1, 0x03, 0x00, 0x40, 0x00, 0x01}, "unit 1"},
      {{1, 0x06, 0x00, 0x40, 0x00, 0x05}, "unit 1"},  // unit 1 moves on: unit 3 has address 1 alone
      {{1, 0x03, 0x00, 0x40, 0x00, 0x01}, "unit 3"},
      {{5, 0x03, 0x00, 0x40, 0x00, 0x01}, "unit 1"},
      {{0, 0x06, 0xE0, 0x0E, 0x05, 0xAA}, ""},  // broadcast: carried out by all, answered by none
  };
  for (const Step& s : steps) EXPECT_EQ(line.Rtu(s.request), s.answeredBy) << ::testing::PrintToString(s.request);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(line.units.controller(i).registers().Get(0xE00E), 1450) << i;
}

TEST(Station, OnTheNetworkTheUnitIdPicksTheUnitAndTheRdGoesWithTheFirst) {
  Line line({"--units", "1,2,3"});
  const Bytes write{0x06, 0xE0, 0x0E, 0x05, 0xAA};
  const auto second = line.station.AnswerNetwork(Station::kControllerProtocol, 2, write);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->from, "unit 2");
  EXPECT_EQ(second->faults, &line.units.faults(1));
  EXPECT_FALSE(line.station.AnswerNetwork(Station::kControllerProtocol, 0, write)) << "unit id 0 names no unit";
  EXPECT_EQ(line.units.controller(0).registers().Get(0xE00E), 1600);
  EXPECT_EQ(line.units.controller(1).registers().Get(0xE00E), 1450);
  const auto rd = line.station.AnswerNetwork(Station::kRelayProtocol, 0x36, Bytes{0x03, 0x00, 0x20, 0x00, 0x04});
  ASSERT_TRUE(rd);
  EXPECT_EQ(rd->from, "RD");
  EXPECT_EQ(rd->faults, &line.units.faults(0));
}

}  // namespace
}  // namespace kaviro::sim::testing
