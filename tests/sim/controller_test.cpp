#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "link/crc16.h"
#include "sim/controller_tables.h"
#include "sim/daily_log.h"
#include "sim/model_fixture.h"

namespace kaviro::sim::testing {
namespace {

struct FixedValue {
  uint16_t reg;
  uint16_t value;
};

// Values other tests may rely on: they do not move with time.
const FixedValue kFixedValues[] = {
    {0x0004, 1},      {0x001C, 50},     {0x001F, 1},      {0x0021, 1},      {0x0022, 2000},   {0x0028, 1000},
    {0x0029, 1600},   {0x002C, 0x0080}, {0x002E, 0x0020}, {0x0030, 0x0042}, {0x003C, 3000},   {0x003D, 10},
    {0x0040, 1},      {0x0041, 0},      {0x0043, 60},     {0x0044, 0xFFEC}, {0x0047, 0},      {0xE003, 30},
    {0xE006, 10800},  {0xE009, 7200},   {0xE00E, 1600},   {0xE00F, 1500},   {0xE011, 1110},   {0xE012, 1250},
    {0xE080, 0x0001}, {0xE081, 0x0428}, {0xE086, 0x0000}, {0xE087, 0x5B68}, {0xE08A, 60},     {0xE0C0, 0x504D},
    {0x2000, 1420},   {0x2033, 1200},   {0x2034, 1250},   {0x2047, 0x00F6}, {0x3000, 0x024B}, {0x3011, 502},
    {0x3012, 0xC0A8}, {0x3013, 0x0164}, {0x3045, 0x3601},
};

TEST(Controller, FixedDefaultsReadAlikeWithBothReadFunctions) {
  ModelSim sim;
  for (const FixedValue& f : kFixedValues) {
    SCOPED_TRACE(::testing::Message() << std::hex << f.reg);
    EXPECT_EQ(sim.Read(fn::kReadHolding, f.reg, 1), std::vector<uint16_t>{f.value});
    EXPECT_EQ(sim.Read(fn::kReadInput, f.reg, 1), std::vector<uint16_t>{f.value});
  }
}

TEST(Controller, LightingTimesAreTheDocumentedSchedule) {
  ModelSim sim;
  EXPECT_EQ(sim.GetPair(0xE080), 66600u);  // 18:30:00
  EXPECT_EQ(sim.GetPair(0xE082), 82800u);  // 23:00:00
  EXPECT_EQ(sim.GetPair(0xE084), 16200u);  // 04:30:00
  EXPECT_EQ(sim.GetPair(0xE086), 23400u);  // 06:30:00
}

struct Block {
  uint8_t function;
  uint16_t start;
  uint16_t count;
  size_t answerLength;
};

TEST(Controller, PollBlocksPassTheToolsReadRule) {
  const Block blocks[] = {{fn::kReadInput, 0x0000, 90, 185}, {fn::kReadHolding, 0xE000, 27, 59}, {fn::kReadHolding, 0xE080, 78, 161}};
  ModelSim sim;
  for (const Block& b : blocks) {
    const auto answer = sim.Rtu(ReadRegisters(1, b.function, b.start, b.count));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->size(), b.answerLength);
    EXPECT_TRUE(AcceptsRead(*answer, 1));
    EXPECT_EQ((*answer)[1], b.function);
  }
}

struct Refusal {
  const char* what;
  Bytes body;  // without CRC
  int code;
};

TEST(Controller, RefusesLikeAModbusServer) {
  const Refusal cases[] = {
      {"unknown function", {1, 0x07}, 1},
      {"read coils beyond the map", {1, 0x01, 0x00, 0x00, 0x00, 0x03}, 2},
      {"read outside the map", {1, 0x03, 0x01, 0x00, 0x00, 0x01}, 2},
      {"read running past the block end", {1, 0x04, 0x00, 0x58, 0x00, 0x05}, 2},
      {"read of no registers", {1, 0x03, 0x00, 0x00, 0x00, 0x00}, 3},
      {"read of 126 registers", {1, 0x03, 0x00, 0x00, 0x00, 0x7E}, 3},
      {"write to a measured value", {1, 0x06, 0x00, 0x18, 0x05, 0x00}, 2},
      {"modbus address 0", {1, 0x06, 0x00, 0x40, 0x00, 0x00}, 3},
      {"modbus address 248", {1, 0x06, 0x00, 0x40, 0x00, 0xF8}, 3},
      {"equalise time below range", {1, 0x06, 0xE0, 0x09, 0x15, 0x17}, 3},
      {"coil that does not exist", {1, 0x05, 0x00, 0x01, 0xFF, 0x00}, 2},
      {"coil value other than on or off", {1, 0x05, 0x00, 0x14, 0x12, 0x34}, 3},
      {"byte count not twice the count", {1, 0x10, 0xE0, 0x80, 0x00, 0x02, 0x03, 0x00, 0x00, 0x00}, 3},
      {"write to a fixed battery preset", {1, 0x10, 0x20, 0x00, 0x00, 0x01, 0x02, 0x05, 0xA0}, 2},
      {"positive temperature coefficient", {1, 0x06, 0x20, 0x47, 0x00, 0x01}, 3},
      {"lighting time past midnight", {1, 0x10, 0xE0, 0x80, 0x00, 0x02, 0x04, 0x00, 0x01, 0x51, 0x80}, 3},
      {"other MEI type", {1, 0x2B, 0x0D, 0x01, 0x00}, 1},
      {"unknown read device id code", {1, 0x2B, 0x0E, 0x05, 0x00}, 3},
      {"log object other than 0 and 1", {1, 0x2B, 0x0E, 0x03, 0x02}, 2},
  };
  ModelSim sim;
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    const auto answer = sim.Rtu(c.body);
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[1], c.body[1] | 0x80);
    EXPECT_EQ(ExceptionOf(*answer), c.code);
    EXPECT_TRUE(HasValidCrc(*answer));
  }
}

TEST(Controller, RefusedWritesChangeNothing) {
  ModelSim sim;
  // Second value out of range: the first must not be stored either.
  sim.Rtu(Bytes{1, 0x10, 0xE0, 0x80, 0x00, 0x04, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x02, 0x00, 0x00});
  EXPECT_EQ(sim.GetPair(0xE080), 66600u);
  EXPECT_EQ(sim.GetPair(0xE082), 82800u);
}

struct ParameterWrite {
  uint16_t reg;
  uint16_t value;
  uint8_t blockFunction;
  uint16_t blockStart;
  uint16_t blockCount;
};

TEST(Controller, WrittenParametersShowInTheNextPoll) {
  const ParameterWrite cases[] = {
      {0xE00E, 1400, fn::kReadHolding, 0xE000, 27}, {0x0028, 950, fn::kReadInput, 0x0000, 90},
      {0xE08A, 90, fn::kReadHolding, 0xE080, 78},   {0x0043, 0xFFD8, fn::kReadInput, 0x0000, 90},
      {0x001F, 0, fn::kReadInput, 0x0000, 90},      {0xE009, 9000, fn::kReadInput, 0xE009, 1},
  };
  ModelSim sim;
  for (const ParameterWrite& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.reg);
    const RtuFrame write = WriteRegister(1, c.reg, c.value);
    const auto echo = sim.Rtu(write);
    ASSERT_TRUE(echo);
    EXPECT_TRUE(AcceptsEcho(*echo, write.Bytes()));
    const auto block = sim.Read(c.blockFunction, c.blockStart, c.blockCount);
    ASSERT_EQ(block.size(), c.blockCount);
    EXPECT_EQ(block[c.reg - c.blockStart], c.value);
  }
}

TEST(Controller, ForgetfulControllerConfirmsWritesButKeepsItsValues) {
  ModelSim sim(LocalMs(2024, 5, 17, 12), {.unit = 1, .seed = 7, .forgetWrites = true});
  const RtuFrame write = WriteRegister(1, 0xE00E, 1400);
  const auto echo = sim.Rtu(write);
  ASSERT_TRUE(echo);
  EXPECT_TRUE(AcceptsEcho(*echo, write.Bytes()));
  EXPECT_EQ(sim.Get(0xE00E), 1600);
  EXPECT_EQ(ExceptionOf(*sim.Rtu(WriteRegister(1, 0xE00E, 100))), 3);  // still checked
}

TEST(Controller, MultipleWriteGetsTheStandardAnswerAndStoresTheCustomBattery) {
  ModelSim sim;
  const Bytes row{0x05, 0xA0, 0x05, 0x46, 0x05, 0xDC, 0x00, 0x1E, 0x06, 0x40, 0x04, 0x4C, 0x04, 0xB0, 0x04, 0xE2, 0x00, 0xF6};
  const auto answer = sim.Rtu(WriteRegisters(1, 0x203F, row));
  ASSERT_TRUE(answer);
  const RtuFrame standard = RtuFrame::Seal(Bytes{1, 0x10, 0x20, 0x3F, 0x00, 0x09});
  EXPECT_EQ(*answer, Bytes(standard.Bytes().begin(), standard.Bytes().end()));
  const auto table = sim.Read(fn::kReadHolding, 0x2000, 72);
  ASSERT_EQ(table.size(), 72u);
  for (size_t j = 0; j < 9; ++j) EXPECT_EQ(table[63 + j], GetU16(row, 2 * j)) << j;
}

TEST(Controller, TheCustomBatteryMustBeInOrder) {
  ModelSim sim;
  const std::vector<uint16_t> before = sim.Read(fn::kReadHolding, 0x203F, 9);
  // Shut-off 13.00 V above the low band's 12.00 V: refused whole.
  const Bytes row{0x05, 0xA0, 0x05, 0x64, 0x05, 0xC8, 0x00, 0x1E, 0x06, 0x40, 0x05, 0x14, 0x04, 0xB0, 0x04, 0xE2, 0x00, 0xF6};
  const auto answer = sim.Rtu(WriteRegisters(1, 0x203F, row));
  ASSERT_TRUE(answer);
  EXPECT_EQ(ExceptionOf(*answer), 3);
  EXPECT_EQ(sim.Read(fn::kReadHolding, 0x203F, 9), before);
  // One register at a time is held to the same order.
  EXPECT_EQ(ExceptionOf(*sim.Rtu(WriteRegister(1, 0x2043, 1400))), 3);  // maximum under absorption
  EXPECT_EQ(ExceptionOf(*sim.Rtu(WriteRegister(1, 0x2043, 1500))), 0);
}

TEST(Controller, LightingFrameOfTheConsoleSetsDuskOn) {
  ModelSim sim;
  const Bytes frame{0x01, 0x10, 0xE0, 0x80, 0x00, 0x02, 0x04, 0x00, 0x01, 0x04, 0x28, 0x61, 0x15};
  ASSERT_TRUE(HasValidCrc(frame));
  // Set something else first so the write is seen to land.
  sim.Rtu(Bytes{1, 0x10, 0xE0, 0x80, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(sim.GetPair(0xE080), 0u);
  ASSERT_TRUE(sim.station.AnswerRtu(frame));
  EXPECT_EQ(sim.Read(fn::kReadHolding, 0xE080, 78)[1], 0x0428);
  EXPECT_EQ(sim.GetPair(0xE080), 66600u);
}

TEST(Controller, ClockCountsLocalSecondsSince2000AndRunsOn) {
  const int64_t start = LocalMs(2024, 5, 17, 12, 0, 0);
  ModelSim sim(start);
  EXPECT_EQ(sim.GetPair(0x003E), static_cast<uint32_t>(SecondsSince2000Local(start / 1000)));
  sim.clock.AdvanceMs(10'000);
  EXPECT_EQ(sim.GetPair(0x003E), static_cast<uint32_t>(SecondsSince2000Local(start / 1000) + 10));

  // Set with the parameter dialog's frame; it runs on from the written value.
  const Bytes written{0x00, 0x00, 0x0E, 0x10};  // 3600 s: 2000-01-01 01:00:00
  ASSERT_TRUE(sim.Rtu(WriteRegisters(1, 0x003E, written)));
  sim.clock.AdvanceMs(5'000);
  EXPECT_EQ(sim.GetPair(0x003E), 3605u);
}

TEST(Controller, NewModbusAddressAppliesAfterTheAnswer) {
  ModelSim sim;
  const RtuFrame write = WriteRegister(1, 0x0040, 5);
  const auto echo = sim.Rtu(write);
  ASSERT_TRUE(echo);
  EXPECT_TRUE(AcceptsEcho(*echo, write.Bytes()));
  EXPECT_FALSE(sim.Rtu(ReadRegisters(1, fn::kReadHolding, 0x0040, 1)));
  EXPECT_EQ(sim.Read(fn::kReadHolding, 0x0040, 1, 5), std::vector<uint16_t>{5});
}

TEST(Controller, OtherAddressesGetNoAnswerAndBroadcastWritesRunSilently) {
  ModelSim sim;
  EXPECT_FALSE(sim.Rtu(ReadRegisters(2, fn::kReadHolding, 0x0040, 1)));
  EXPECT_FALSE(sim.Rtu(WriteRegister(0, 0xE00E, 1500)));
  EXPECT_EQ(sim.Get(0xE00E), 1500);
}

struct CoilEffect {
  uint16_t coil;
  uint16_t reg;
  bool pair;
};

TEST(Controller, ActionCoilsClearWhatTheyName) {
  const CoilEffect cases[] = {
      {0x0010, 0x0034, true},  {0x0011, 0x0000, true},  {0x0012, 0x0038, false}, {0x0018, 0x003A, false},
      {0x0014, 0x002C, false}, {0x0015, 0x002E, false}, {0x0013, 0xE08B, false},
  };
  ModelSim sim;
  for (const CoilEffect& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.coil);
    const auto value = [&] { return c.pair ? sim.GetPair(c.reg) : sim.Get(c.reg); };
    EXPECT_NE(value(), 0u);
    const RtuFrame write = WriteCoil(1, c.coil);
    const auto echo = sim.Rtu(write);
    ASSERT_TRUE(echo);
    EXPECT_TRUE(AcceptsEcho(*echo, write.Bytes()));
    EXPECT_EQ(value(), 0u);
  }
}

TEST(Controller, LoadDisconnectHoldsUntilResetAndShowsInTheCoilAndPoll) {
  ModelSim sim(LocalMs(2024, 5, 17, 20));  // inside the dusk lighting window
  sim.clock.AdvanceMs(60'000);
  EXPECT_EQ(sim.Get(0x0042), 1);
  EXPECT_GT(sim.Get(0x001D), 0);
  ASSERT_TRUE(sim.Rtu(WriteCoil(1, 0x00F0)));
  sim.clock.AdvanceMs(10'000);
  EXPECT_EQ(sim.Get(0x0042), 0);
  EXPECT_EQ(sim.Get(0x001D), 0);
  EXPECT_EQ(sim.Rtu(Bytes{1, 0x01, 0x00, 0xF0, 0x00, 0x01}).value()[3], 1);

  ASSERT_TRUE(sim.Rtu(WriteCoil(1, 0x00FF)));  // controller reset
  sim.clock.AdvanceMs(10'000);
  EXPECT_EQ(sim.Rtu(Bytes{1, 0x01, 0x00, 0xF0, 0x00, 0x01}).value()[3], 0);
  EXPECT_EQ(sim.Get(0x0042), 1);
  EXPECT_EQ(sim.Get(0x002C), 0);
  EXPECT_EQ(sim.Get(0x002E), 0);
}

TEST(Controller, AResetWithARestartTimeGoesUnansweredUntilTheRestartIsOver) {
  ModelSim sim(LocalMs(2024, 5, 17, 12), {.unit = 1, .seed = 7, .logRecords = 30, .restartMs = 1500});
  const Bytes read = {1, 0x03, 0x00, 0x2C, 0x00, 0x01};
  ASSERT_TRUE(sim.Rtu(read));
  EXPECT_FALSE(sim.Rtu(WriteCoil(1, 0x00FF)));
  sim.clock.AdvanceMs(1499);
  EXPECT_FALSE(sim.Rtu(read));
  EXPECT_FALSE(sim.station.AnswerNetwork(Station::kControllerProtocol, 1, Bytes{0x03, 0x00, 0x2C, 0x00, 0x01}));
  sim.clock.AdvanceMs(1);
  EXPECT_EQ(sim.Get(0x002C), 0);  // the reset was carried out
  EXPECT_TRUE(sim.Rtu(WriteCoil(1, 0x0014)));
}

TEST(Controller, ADayOfSunAndLampMovesVoltageStagesAndCounters) {
  ModelSim sim(LocalMs(2024, 5, 17, 0));
  const uint32_t chargeAh0 = sim.GetPair(0x0036), loadAh0 = sim.GetPair(0x0002), hours0 = sim.GetPair(0x002A);
  std::set<uint16_t> stages;
  uint16_t low = 0xFFFF, high = 0;
  for (int step = 0; step < 24 * 6; ++step) {
    sim.clock.AdvanceMs(600'000);
    const auto block = sim.Read(fn::kReadInput, 0x0000, 90);
    ASSERT_EQ(block.size(), 90u);
    stages.insert(block[0x32]);
    low = std::min(low, block[0x18]);
    high = std::max(high, block[0x18]);
    EXPECT_GE(block[0x18], 1100);
    EXPECT_LE(block[0x18], 1500);
  }
  EXPECT_TRUE(stages.count(0) && stages.count(4)) << "bulk by day, night after dark";
  EXPECT_GE(stages.size(), 3u);
  EXPECT_GT(high - low, 50) << "battery voltage drifts";
  EXPECT_GT(sim.GetPair(0x0036), chargeAh0);
  EXPECT_GT(sim.GetPair(0x0002), loadAh0);
  EXPECT_EQ(sim.GetPair(0x002A), hours0 + 24);
}

TEST(Controller, SameSeedAndClockGiveTheSameDevice) {
  ModelSim a, b, c(LocalMs(2024, 5, 17, 12), {1, 8, 30});
  for (int i = 0; i < 5; ++i) {
    a.clock.AdvanceMs(30'000);
    b.clock.AdvanceMs(30'000);
    EXPECT_EQ(a.Rtu(ReadRegisters(1, fn::kReadInput, 0, 90)), b.Rtu(ReadRegisters(1, fn::kReadInput, 0, 90)));
  }
  const RtuFrame log = ReadDeviceIdentification(1, 3, 0);
  EXPECT_EQ(a.Rtu(log), b.Rtu(log));
  EXPECT_NE(a.Rtu(log), c.Rtu(log));
}

// The objects of a read-code-1 answer as the console takes them apart.
std::vector<std::string> Objects(const Bytes& answer) {
  std::vector<std::string> out;
  size_t at = 8;
  while (at + 2 <= answer.size() - 2 && out.size() < 5) {
    const size_t len = answer[at + 1];
    out.emplace_back(answer.begin() + static_cast<std::ptrdiff_t>(at + 2), answer.begin() + static_cast<std::ptrdiff_t>(at + 2 + len));
    at += 2 + len;
  }
  return out;
}

TEST(Controller, IdentificationReadsAndTheConsoleUpdateFrameRewrites) {
  ModelSim sim;
  const auto read = [&] { return sim.Rtu(Bytes{0x01, 0x2B, 0x0E, 0x01, 0x00}).value_or(Bytes{}); };
  const Bytes first = read();
  ASSERT_GT(first.size(), 3u);
  EXPECT_EQ(Bytes(first.begin(), first.begin() + 3), (Bytes{0x01, 0x2B, 0x0E}));
  EXPECT_TRUE(HasValidCrc(first));
  EXPECT_EQ(Objects(read()), (std::vector<std::string>{"KAVIRO", "KV-MPPT30", "HW V2.1", "SW V3.07", "24051701"}));

  // Serial number only: K = 1, N = 12.
  Bytes update{0x01, 0x2B, 0x0E, 0x02, 0x00, 0x0C, 0x00, 0x01, 0x04, 0x08};
  for (char ch : std::string("ABCD1234")) update.push_back(static_cast<uint8_t>(ch));
  ASSERT_TRUE(sim.Rtu(update));
  EXPECT_EQ(Objects(read()), (std::vector<std::string>{"KAVIRO", "KV-MPPT30", "HW V2.1", "SW V3.07", "ABCD1234"}));

  Bytes shortSerial{0x01, 0x2B, 0x0E, 0x02, 0x00, 0x0B, 0x00, 0x01, 0x04, 0x07};
  for (char ch : std::string("ABC1234")) shortSerial.push_back(static_cast<uint8_t>(ch));
  EXPECT_EQ(ExceptionOf(*sim.Rtu(shortSerial)), 3);
  Bytes vendor{0x01, 0x2B, 0x0E, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x03, 'A', 'C', 'M'};
  vendor[5] = static_cast<uint8_t>(vendor.size() - 6);
  ASSERT_TRUE(sim.Rtu(vendor));
  EXPECT_EQ(Objects(read())[0], "ACM");
}

TEST(Controller, LockedSettingsRefuseEveryWriteAndKeepTheirValues) {
  ModelSim sim(LocalMs(2024, 5, 17, 12), {.unit = 1, .seed = 7, .logRecords = 30, .locked = true});
  const Bytes lighting = {0x01, 0x10, 0xE0, 0x80, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00};
  Bytes update{0x01, 0x2B, 0x0E, 0x02, 0x00, 0x0C, 0x00, 0x01, 0x04, 0x08};
  for (char ch : std::string("ABCD1234")) update.push_back(static_cast<uint8_t>(ch));
  for (const Bytes& write : {lighting, update, Bytes{0x01, 0x06, 0x00, 0x40, 0x00, 0x05}})
    EXPECT_EQ(ExceptionOf(*sim.Rtu(write)), 4) << int(write[1]);
  EXPECT_EQ(sim.GetPair(0xE080), 66600u);
  EXPECT_EQ(sim.Get(0x0040), 1);
  EXPECT_EQ(sim.controller.identity().objects()[4], "24051701");
}

TEST(Controller, LogAnswersAreFramedForTheLogReader) {
  ModelSim sim;
  const auto all = sim.Rtu(ReadDeviceIdentification(1, 3, 0));
  const auto latest = sim.Rtu(ReadDeviceIdentification(1, 3, 1));
  ASSERT_TRUE(all && latest);
  // The tail ends the answer: no CRC follows it.
  ASSERT_EQ(all->size(), 8 + 30 * kLogRecordSize + 4);
  ASSERT_EQ(latest->size(), 8 + kLogRecordSize + 4);
  for (const Bytes* a : {&*all, &*latest}) {
    EXPECT_EQ(Bytes(a->begin(), a->begin() + 4), (Bytes{0x01, 0x2B, 0x0E, 0x03}));
    EXPECT_EQ(Bytes(a->end() - 4, a->end()), (Bytes{0xFF, 0xFE, 0xFD, 0xFC}));
  }
  EXPECT_EQ(Bytes(latest->begin() + 8, latest->begin() + 52), Bytes(all->begin() + 8, all->begin() + 52));
  // Latest first, one day apart, the day before the controller's date.
  const CivilDate yesterday = CivilFromDaysSince2000(SecondsSince2000Local(LocalMs(2024, 5, 16, 12) / 1000) / 86400);
  EXPECT_EQ((Bytes{(*all)[8], (*all)[9], (*all)[10], (*all)[11]}),
            (Bytes{20, static_cast<uint8_t>(yesterday.year % 100), static_cast<uint8_t>(yesterday.month), static_cast<uint8_t>(yesterday.day)}));
  std::set<uint16_t> highs;
  for (size_t k = 0; k < 30; ++k) {
    const size_t r = 8 + k * kLogRecordSize;
    EXPECT_GE((*all)[r + 2], 1);
    EXPECT_LE((*all)[r + 2], 12);
    const uint16_t high = GetU16(*all, r + 14), low = GetU16(*all, r + 16);
    EXPECT_GT(high, low);
    EXPECT_GE(low, 1100);
    highs.insert(high);
  }
  EXPECT_GT(highs.size(), 10u) << "records vary";
}

TEST(Controller, EmptyLogIsHeaderAndTail) {
  ModelSim sim(LocalMs(2024, 5, 17, 12), {1, 7, 0});
  const auto answer = sim.Rtu(ReadDeviceIdentification(1, 3, 1));
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->size(), 12u);
}

TEST(Controller, ThresholdProbeReadsTheTwoPresetWords) {
  ModelSim sim;
  EXPECT_EQ(sim.Read(fn::kReadHolding, 0x2033, 2), (std::vector<uint16_t>{1200, 1250}));
}

}  // namespace
}  // namespace kaviro::sim::testing
