// Register words to stored values and value texts, one register at a time.
#include <gtest/gtest.h>

#include <functional>

#include "answers.h"
#include "monitor/decoder.h"

namespace kaviro {
namespace {

using test::Answer;
using test::kSerialChinese;
using test::TextFor;
using test::Words;

struct TextCase {
  const char* what;
  int block;
  Words words;
  uint16_t address;
  std::string text;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.what; }

class ValueTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(ValueTextTest, ShowsTheRegisterAsTheControllerMeansIt) {
  const TextCase& c = GetParam();
  DecodedValues values;
  const DecodedTexts texts = DecodeBlock(c.block, Answer(c.block, c.words), kSerialChinese, values);
  const std::string* text = TextFor(texts, c.address);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(*text, c.text);
}

constexpr int kIn = kBlockInput, kHold = kBlockHolding, kLight = kBlockLighting;

INSTANTIATE_TEST_SUITE_P(
    Registers, ValueTextTest,
    testing::Values(
        TextCase{"charging state past the names", kIn, {{50, 10}}, 0x0032, "none"},
        TextCase{"charging state all ones", kIn, {{50, 65535}}, 0x0032, "none"},
        TextCase{"charging state last", kIn, {{50, 9}}, 0x0032, "EQUALIZE"},
        TextCase{"heatsink sensor fault", kIn, {{30, 2}}, 0x001E, "温度电阻故障"},
        TextCase{"battery temperature fault", kIn, {{32, 65535}}, 0x0020, "温度电阻故障"},
        TextCase{"both RTS links", kIn, {{72, 3}}, 0x0048, "无线有线双连接"},
        TextCase{"RTS disconnected", kIn, {{36, 0x0080}}, 0x0024, "-128"},
        TextCase{"heatsink reads the low byte only", kIn, {{35, 0xFF19}}, 0x0023, "25"},
        TextCase{"compensation negative", kIn, {{67, 0x00FF}}, 0x0043, "-1"},
        TextCase{"signed 16-bit", kIn, {{4, 0xFFFF}}, 0x0004, "-1"},
        TextCase{"unsigned 16-bit", kIn, {{61, 0xFFFF}}, 0x003D, "65535"},
        TextCase{"hundredths", kIn, {{24, 1234}}, 0x0018, "12.34"},
        TextCase{"three decimals", kIn, {{60, 1234}}, 0x003C, "12.340"},
        TextCase{"thousandths shown with two", kIn, {{74, 12340}}, 0x004A, "12.34"},
        TextCase{"HI-LO high word", kIn, {{0, 0x0001}, {1, 0x0000}}, 0x0000, "6553.60"},
        TextCase{"HI-LO scaled negative", kIn, {{2, 0xFFFF}, {3, 0xFFF6}}, 0x0002, "-1.00"},
        TextCase{"HI-LO negative", kIn, {{42, 0xFFFF}, {43, 0xFFFE}}, 0x002A, "-2"},
        TextCase{"fault bits", kIn, {{44, 0x00AB}}, 0x002C, "0X00AB"},
        TextCase{"tenths negative", kIn, {{56, 0xFFF6}}, 0x0038, "-1.0"},
        TextCase{"no row, still formatted", kIn, {{71, 5}}, 0x0047, "5"},
        TextCase{"Vscale of the same answer", kIn, {{1, 1000}, {89, 16384}}, 0x0059, "50.00"},
        TextCase{"alarm delay unsigned", kHold, {{3, 65535}}, 0xE003, "6553.5"},
        TextCase{"frequency low byte", kHold, {{22, 0x0101}}, 0xE016, "高频"},
        TextCase{"48V switch", kHold, {{24, 4}}, 0xE018, "48V"},
        TextCase{"switch high byte ignored", kHold, {{24, 0x0100}}, 0xE018, "自动检测"},
        TextCase{"dusk on", kLight, {{1, 3725}}, 0xE080, "01:02:05"},
        TextCase{"seconds read unsigned", kLight, {{4, 0xFFFF}, {5, 0xFFFF}}, 0xE084, "1193046:28:15"},
        TextCase{"label low byte first", kLight, {{64, 0x4241}, {65, 0x4443}, {66, 0x4645}, {67, 0x4847}}, 0xE0C0,
                 "ABCDEFGH"},
        TextCase{"label ends at NUL", kLight, {{64, 0x4241}, {65, 0x0043}, {66, 0x4645}}, 0xE0C0, "ABC"},
        TextCase{"last register", kLight, {{77, 42}}, 0xE0CD, "42"}));

struct StoredCase {
  const char* what;
  int block;
  Words words;
  std::function<double(const DecodedValues&)> stored;
  double expected;
};

TEST(DecodeBlock, StoresValuesInTheirOwnForm) {
  const StoredCase cases[] = {
      {"HI-LO signed", kIn, {{42, 0xFFFF}, {43, 0xFFFE}}, [](auto& v) { return v.poweredHours; }, -2},
      {"s8 of 0x80", kIn, {{36, 0x0080}}, [](auto& v) { return v.remoteSensorTemperature; }, -128},
      {"hundredths as float", kIn, {{24, 1234}}, [](auto& v) { return v.batteryVoltage; }, 12.34f},
      {"tenths kept raw", kIn, {{56, 0xFFF6}}, [](auto& v) { return v.resettableChargeKwh; }, -10},
      {"Vscale", kIn, {{1, 1000}}, [](auto& v) { return v.voltageScaling; }, 100},
      {"low byte", kHold, {{22, 0x0301}}, [](auto& v) { return v.chargeFrequency; }, 1},
      {"alarm delay raw tenths", kHold, {{3, 25}}, [](auto& v) { return v.lowVoltageAlarmDelay; }, 25},
      {"lighting HI-LO", kLight, {{6, 0x0001}, {7, 0x0002}}, [](auto& v) { return v.lightOffAtDawn; }, 65538},
  };
  for (const auto& c : cases) {
    DecodedValues values;
    DecodeBlock(c.block, Answer(c.block, c.words), kSerialChinese, values);
    EXPECT_EQ(c.stored(values), c.expected) << c.what;
  }
}

// Values without a name leave the list as it was, but the value itself is still kept.
TEST(DecodeBlock, UnnamedValuesProduceNoText) {
  const struct {
    int block;
    size_t word;
    uint16_t value;
    uint16_t address;
    uint16_t next;
  } cases[] = {
      {kIn, 72, 4, 0x0048, 0x0049},       {kIn, 72, 65535, 0x0048, 0x0049}, {kHold, 22, 2, 0xE016, 0xE018},
      {kHold, 24, 3, 0xE018, 0xE019},     {kHold, 24, 5, 0xE018, 0xE019},   {kHold, 24, 0x00FF, 0xE018, 0xE019},
  };
  for (const auto& c : cases) {
    DecodedValues values;
    const DecodedTexts texts = DecodeBlock(c.block, Answer(c.block, {{c.word, c.value}}), kSerialChinese, values);
    EXPECT_EQ(TextFor(texts, c.address), nullptr) << std::hex << c.address << " = " << c.value;
    EXPECT_NE(TextFor(texts, c.next), nullptr) << std::hex << c.next;
  }
  DecodedValues values;
  DecodeBlock(kIn, Answer(kIn, {{72, 4}}), kSerialChinese, values);
  EXPECT_EQ(values.rtsConnection, 4);
}

struct BatteryCase {
  int setting;
  float stored;
  const char* text;
};

void PrintTo(const BatteryCase& c, std::ostream* os) { *os << "battery setting " << c.setting; }

class BatteryFactorTest : public testing::TestWithParam<BatteryCase> {};

// Vscale 100 and a word of 16384 give 50 V on a 12V system, four times that on 48V.
TEST_P(BatteryFactorTest, ScalesTheBatterySetpoint) {
  DecodedValues values;
  values.voltageScaling = 100.0f;
  DecodeContext context = kSerialChinese;
  context.batteryVoltage = GetParam().setting;
  const DecodedTexts texts = DecodeBlock(kHold, Answer(kHold, {{5, 16384}}), context, values);
  EXPECT_EQ(values.scaledBatterySetpoint, GetParam().stored);
  ASSERT_NE(TextFor(texts, 0xE005), nullptr);
  EXPECT_EQ(*TextFor(texts, 0xE005), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Settings, BatteryFactorTest,
                         testing::Values(BatteryCase{0, 50.0f, "50.00"}, BatteryCase{1, 100.0f, "100.00"},
                                         BatteryCase{2, 200.0f, "200.00"}, BatteryCase{-1, 50.0f, "50.00"},
                                         BatteryCase{3, 50.0f, "50.00"}));

}  // namespace
}  // namespace kaviro
