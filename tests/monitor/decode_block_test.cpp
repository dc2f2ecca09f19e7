// Whole answers: the controller clock in several zones, short answers, the status line and
// the set of texts a block produces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

#include "answers.h"
#include "monitor/decoder.h"

namespace kaviro {
namespace {

using test::Answer;
using test::kSerialChinese;
using test::TextFor;
using test::Words;

Words ClockWords(int32_t seconds) {
  const auto s = static_cast<uint32_t>(seconds);
  return {{62, static_cast<uint16_t>(s >> 16)}, {63, static_cast<uint16_t>(s & 0xFFFF)}};
}

struct ClockCase {
  const char* zone;
  int32_t seconds;
  const char* text;
};

void PrintTo(const ClockCase& c, std::ostream* os) { *os << c.zone << " +" << c.seconds << "s"; }

class ControllerClockTest : public testing::TestWithParam<ClockCase> {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
    const std::string zone = GetParam().zone;
    if (zone != "UTC" && !std::filesystem::exists("/usr/share/zoneinfo/" + zone)) {
      GTEST_SKIP() << "no zone data for " << zone;
    }
    setenv("TZ", zone.c_str(), 1);
    tzset();
  }
  void TearDown() override {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST_P(ControllerClockTest, CountsFromLocalMidnightOfTheYear2000) {
  const ClockCase& c = GetParam();
  DecodedValues values;
  const DecodedTexts texts = DecodeBlock(kBlockInput, Answer(kBlockInput, ClockWords(c.seconds)), kSerialChinese,
                                         values);
  EXPECT_EQ(values.controllerClock, c.seconds);
  ASSERT_NE(TextFor(texts, 0x003E), nullptr);
  EXPECT_EQ(*TextFor(texts, 0x003E), c.text);
  EXPECT_EQ(texts.clock, std::string("控制器当前时间：") + c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, ControllerClockTest,
    testing::Values(ClockCase{"UTC", 0, "2000-01-01 00:00:00"}, ClockCase{"UTC", -1, "1999-12-31 23:59:59"},
                    ClockCase{"UTC", 90061, "2000-01-02 01:01:01"},
                    ClockCase{"UTC", INT32_MAX, "2068-01-19 03:14:07"},
                    ClockCase{"Asia/Shanghai", 0, "2000-01-01 00:00:00"},
                    ClockCase{"Asia/Shanghai", 90061, "2000-01-02 01:01:01"},
                    // 182 days of elapsed time end an hour later on the summer clock.
                    ClockCase{"Europe/Berlin", 182 * 86400, "2000-07-01 01:00:00"}));

// A full block-0 answer whose words are all non-zero, cut short in different ways.
struct ShortCase {
  const char* what;
  size_t bytes;                     // how many bytes of the answer arrived
  std::optional<uint8_t> claimed;   // byte count written into the answer
  std::set<uint16_t> decoded;
};

TEST(DecodeBlock, ShortAnswersDecodeOnlyWhatArrived) {
  Words words;
  for (size_t i = 0; i < 90; ++i) words[i] = static_cast<uint16_t>(0x0100 + i);
  const std::vector<uint8_t> full = Answer(kBlockInput, words);
  const ShortCase cases[] = {
      {"ten words arrived", 3 + 20, {}, {0x0000, 0x0002, 0x0004}},
      {"half a word at the end", 3 + 9, {}, {0x0000, 0x0002}},
      {"half of a HI-LO pair", 3 + 3, {}, {}},
      {"header only", 3, {}, {}},
      {"not even a byte count", 2, {}, {}},
      {"nothing", 0, {}, {}},
      {"byte count claims four words", full.size(), 8, {0x0000, 0x0002}},
      {"odd byte count", full.size(), 9, {0x0000, 0x0002}},
  };
  for (const auto& c : cases) {
    // An exact-size heap copy, so a read past the answer is a read past the allocation.
    std::vector<uint8_t> answer(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(c.bytes));
    if (c.claimed) answer[2] = *c.claimed;
    DecodedValues values;
    values.batteryVoltage = 7.5f;
    values.controllerClock = 1234;
    const DecodedTexts texts = DecodeBlock(kBlockInput, answer, kSerialChinese, values);
    std::set<uint16_t> decoded;
    for (const auto& entry : texts.registers) decoded.insert(entry.address);
    EXPECT_EQ(decoded, c.decoded) << c.what;
    EXPECT_EQ(values.batteryVoltage, 7.5f) << c.what;
    EXPECT_EQ(values.controllerClock, 1234) << c.what;
    EXPECT_FALSE(texts.clock) << c.what;
  }
}

TEST(DecodeBlock, UnknownBlocksDecodeNothing) {
  for (const int block : {-1, 1, 2, 5}) {
    DecodedValues values;
    const DecodedTexts texts = DecodeBlock(block, Answer(kBlockInput, {{24, 1234}}), kSerialChinese, values);
    EXPECT_TRUE(texts.registers.empty()) << block;
    EXPECT_FALSE(texts.clock || texts.status) << block;
    EXPECT_EQ(values, DecodedValues{}) << block;
  }
}

// Every register of a full answer gets a text, once, in address order.
TEST(DecodeBlock, FullAnswersFormatEveryRegisterInOrder) {
  const struct {
    int block;
    uint16_t first, last;
    size_t count;
  } cases[] = {{kBlockInput, 0x0000, 0x0059, 49}, {kBlockHolding, 0xE003, 0xE01A, 15},
               {kBlockLighting, 0xE080, 0xE0CD, 12}};
  for (const auto& c : cases) {
    DecodedValues values;
    const DecodedTexts texts = DecodeBlock(c.block, Answer(c.block), kSerialChinese, values);
    ASSERT_EQ(texts.registers.size(), c.count) << c.block;
    EXPECT_EQ(texts.registers.front().address, c.first);
    EXPECT_EQ(texts.registers.back().address, c.last);
    for (size_t i = 1; i < texts.registers.size(); ++i) {
      EXPECT_LT(texts.registers[i - 1].address, texts.registers[i].address) << c.block;
    }
    EXPECT_EQ(texts.clock.has_value(), c.block == kBlockInput);
  }
}

struct StatusCase {
  DecodeContext context;
  std::optional<std::string> line;
};

void PrintTo(const StatusCase& c, std::ostream* os) {
  *os << "work mode " << c.context.workMode << ", language " << c.context.language;
}

class StatusLineTest : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusLineTest, NamesTheSerialLinkAndLeavesTheNetworkAlone) {
  DecodedValues values;
  const DecodeContext& context = GetParam().context;
  EXPECT_EQ(DecodeBlock(kBlockInput, Answer(kBlockInput), context, values).status, GetParam().line);
  EXPECT_FALSE(DecodeBlock(kBlockHolding, Answer(kBlockHolding), context, values).status);
  EXPECT_FALSE(DecodeBlock(kBlockLighting, Answer(kBlockLighting), context, values).status);
}

INSTANTIATE_TEST_SUITE_P(
    WorkModes, StatusLineTest,
    testing::Values(
        StatusCase{{0, 0, 3, 7, 5, 1}, "工作方式：串口,  串口号：COM3,  设备ID：07,  采集间隔：5s,  语言：简体中文"},
        StatusCase{{2, 2, 1, 12, 10, 0}, "工作方式：2.4G无线,  串口号：COM1,  设备ID：12,  采集间隔：10s,  语言：English"},
        StatusCase{{0, 0, 2, 1, 3, 2}, "工作方式：串口,  串口号：COM2,  设备ID：01,  采集间隔：3s,  语言：English"},
        StatusCase{{0, 1, 2, 1, 3, 1}, std::nullopt}, StatusCase{{0, 5, 2, 1, 3, 1}, std::nullopt}));

}  // namespace
}  // namespace kaviro
