#include <gtest/gtest.h>

#include "sim/model_fixture.h"

namespace kaviro::sim::testing {
namespace {

constexpr uint16_t kRd = Station::kRelayProtocol;

struct RdSim : ModelSim {
  std::optional<Bytes> Ask(const Bytes& pdu, uint8_t unit = 0x36) { return BytesOf(station.AnswerNetwork(kRd, unit, pdu)); }
  // The data bytes of a register read that must succeed.
  Bytes ReadBytes(uint16_t start, uint16_t count, uint8_t unit = 0x36) {
    Bytes pdu{0x03};
    PutU16(pdu, start);
    PutU16(pdu, count);
    const auto answer = Ask(pdu, unit);
    EXPECT_TRUE(answer && answer->size() == 2u + 2 * count && (*answer)[0] == 0x03);
    return answer && answer->size() > 2 ? Bytes(answer->begin() + 2, answer->end()) : Bytes{};
  }
  std::optional<Bytes> Write(uint8_t function, uint16_t address, uint16_t value, uint8_t unit = 0x36) {
    Bytes pdu{function};
    PutU16(pdu, address);
    PutU16(pdu, value);
    return Ask(pdu, unit);
  }
};

TEST(RelayAccessory, InformationBlockHasTheDecodedLayout) {
  RdSim sim;
  const Bytes info = sim.ReadBytes(0x0020, 4);
  ASSERT_EQ(info.size(), 8u);
  const uint16_t batteryMv = static_cast<uint16_t>(sim.controller.registers().Get(0x0018) * 10);
  // Relays on (battery above their ranges), active mode, buzzer enabled and quiet, id 0x36, one 12 V battery.
  EXPECT_EQ(info, (Bytes{0x07, 0x00, 0x00, 0x00, static_cast<uint8_t>(batteryMv >> 8), static_cast<uint8_t>(batteryMv), 0x36, 0x01}));
}

TEST(RelayAccessory, AnswersItsAddressAndTheLastWirelessByteOnly) {
  RdSim sim;
  EXPECT_TRUE(sim.Ask({0x03, 0x00, 0x20, 0x00, 0x04}, 0x36));
  EXPECT_FALSE(sim.Ask({0x03, 0x00, 0x20, 0x00, 0x04}, 0x37));
  EXPECT_FALSE(sim.station.AnswerNetwork(Station::kControllerProtocol, 0x36, Bytes{0x03, 0x00, 0x20, 0x00, 0x04}));
  EXPECT_FALSE(sim.station.AnswerNetwork(0x0202, 0x36, Bytes{0x03, 0x00, 0x20, 0x00, 0x04}));
}

TEST(RelayAccessory, WirelessAddressReadsAndWritesAsZeroThenFiveBytes) {
  RdSim sim;
  EXPECT_EQ(sim.ReadBytes(0x1000, 3), (Bytes{0x00, '2', '1', '2', '0', '6'}));
  // Give it a Modbus address of its own first: by default it equals the last wireless byte.
  ASSERT_TRUE(sim.Write(0x06, 0x2020, 0x0501));
  const Bytes write{0x10, 0x10, 0x00, 0x00, 0x03, 0x06, 0x00, 'A', 'B', 'C', 'D', 'E'};
  EXPECT_EQ(sim.Ask(write, 0x05), (Bytes{0x10, 0x10, 0x00, 0x00, 0x03}));
  EXPECT_EQ(sim.ReadBytes(0x1000, 3, 'E'), (Bytes{0x00, 'A', 'B', 'C', 'D', 'E'}));
  EXPECT_TRUE(sim.Ask({0x03, 0x00, 0x20, 0x00, 0x04}, 0x05)) << "the Modbus address still answers";
  EXPECT_FALSE(sim.Ask({0x03, 0x00, 0x20, 0x00, 0x04}, '6')) << "the old wireless byte no longer does";
}

struct RangeWrite {
  uint16_t writeAt;
  uint16_t value;
  uint16_t readAt;
};

TEST(RelayAccessory, RangesAndWarningsAreWrittenAt0x203xAndReadAt0x201x) {
  const RangeWrite cases[] = {{0x2030, 0x0B05, 0x2010}, {0x2031, 0x0C0F, 0x2011}, {0x2032, 0x0D00, 0x2012},
                              {0x2033, 0x2CEC, 0x2013}, {0x2034, 0x2EE0, 0x2014}};
  RdSim sim;
  for (const RangeWrite& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.writeAt);
    const auto echo = sim.Write(0x06, c.writeAt, c.value);
    ASSERT_TRUE(echo);
    EXPECT_EQ(GetU16(*echo, 3), c.value);
    EXPECT_EQ(sim.ReadBytes(c.readAt, 1), (Bytes{static_cast<uint8_t>(c.value >> 8), static_cast<uint8_t>(c.value)}));
  }
}

TEST(RelayAccessory, StatusAt0x2030FollowsBatteryAndRanges) {
  RdSim sim;
  EXPECT_EQ(sim.ReadBytes(0x2030, 2), (Bytes{1, 1, 1, 1}));
  // Relay 2 acts at 20 V: the battery is below, so it drops; the voltage switch needs 25 V now.
  sim.Write(0x06, 0x2031, 0x1405);
  sim.Write(0x06, 0x2033, 25000);
  EXPECT_EQ(sim.ReadBytes(0x2030, 2), (Bytes{0, 1, 0, 1}));
}

TEST(RelayAccessory, RelayCoilsActOnlyInPassiveMode) {
  RdSim sim;
  EXPECT_TRUE(sim.Write(0x05, 0x2022, 0x0000));
  EXPECT_EQ(sim.ReadBytes(0x0020, 1)[0], 0x07) << "active mode: the voltage keeps relay 1 on";
  EXPECT_TRUE(sim.Write(0x06, 0x2022, 1));
  EXPECT_TRUE(sim.Write(0x05, 0x2022, 0x0000));
  EXPECT_TRUE(sim.Write(0x05, 0x2024, 0x0000));
  EXPECT_EQ(sim.ReadBytes(0x0020, 1), (Bytes{0x02, 0x01}));
}

TEST(RelayAccessory, DisabledBuzzerStaysQuiet) {
  RdSim sim;
  sim.Write(0x05, 0x2021, 0xFF00);
  EXPECT_EQ(sim.ReadBytes(0x0021, 1), (Bytes{0x00, 0x01}));
  sim.Write(0x06, 0x2021, 1);
  EXPECT_EQ(sim.ReadBytes(0x0021, 1), (Bytes{0x01, 0x00}));
  sim.Write(0x05, 0x2021, 0xFF00);
  EXPECT_EQ(sim.ReadBytes(0x0021, 1), (Bytes{0x01, 0x00}));
}

TEST(RelayAccessory, IdAndBatteryWriteEchoesAndMovesTheAddress) {
  RdSim sim;
  const auto echo = sim.Write(0x06, 0x2020, 0x0502);
  EXPECT_EQ(echo, (Bytes{0x06, 0x20, 0x20, 0x05, 0x02}));
  EXPECT_EQ(sim.ReadBytes(0x0023, 1, 0x05), (Bytes{0x05, 0x02}));
  // No address in the high byte: only the battery changes.
  sim.Write(0x06, 0x2020, 0x0003, 0x05);
  EXPECT_EQ(sim.ReadBytes(0x0023, 1, 0x05), (Bytes{0x05, 0x03}));
  EXPECT_EQ(sim.Write(0x06, 0x2020, 0x0504, 0x05), (Bytes{0x86, 0x03}));
}

TEST(RelayAccessory, FactoryResetRestoresDefaults) {
  RdSim sim;
  sim.Write(0x06, 0x2020, 0x0902);
  sim.Write(0x06, 0x2031, 0x0101, 0x09);
  EXPECT_EQ(sim.Write(0x06, 0x4000, 0x0001, 0x09), (Bytes{0x06, 0x40, 0x00, 0x00, 0x01}));
  EXPECT_EQ(sim.ReadBytes(0x2011, 1), (Bytes{0x0C, 0x05}));
  EXPECT_EQ(sim.ReadBytes(0x0023, 1), (Bytes{0x36, 0x01}));
}

TEST(RelayAccessory, IdentificationAndRefusals) {
  RdSim sim;
  const auto ident = sim.Ask({0x2B, 0x0E, 0x01, 0x00});
  ASSERT_TRUE(ident);
  EXPECT_EQ((*ident)[6], 5);
  EXPECT_EQ(std::string(ident->begin() + 9, ident->begin() + 9 + (*ident)[8]), "KAVIRO");
  EXPECT_EQ(sim.Ask({0x03, 0x20, 0x32, 0x00, 0x01}), (Bytes{0x83, 0x02})) << "0x2032 is write-only";
  EXPECT_EQ(sim.Ask({0x2B, 0x0E, 0x03, 0x00}), (Bytes{0xAB, 0x03})) << "the RD keeps no log";
}

}  // namespace
}  // namespace kaviro::sim::testing
