// The RD operations without a dialog: the handlers' requests, the builder's conversions, the
// wait for the RD's answer, the decoding rules, and the threshold probe, in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "link/crc16.h"
#include "link/fake_link.h"
#include "link/link_texts.h"
#include "res/relay_dialog_ids.h"
#include "tools/relay/rd_answers.h"
#include "tools/relay/rd_buttons.h"
#include "tools/relay/rd_command.h"
#include "tools/relay/rd_decode.h"
#include "tools/relay/threshold_probe.h"

namespace kaviro {
namespace {

using testing::Bytes;
using testing::RdAnswer;
using testing::RdHeader;
using testing::FakeClock;
using testing::ScriptedPort;
using testing::ScriptedSocket;

constexpr uint16_t kTid = 0x1234;

class RdLinkTest : public ::testing::Test {
 protected:
  RdLinkTest() {
    link.SetConnection(socket);
    link.SetConnected(true);
    link.transaction().Reset(kTid);
  }
  // The handler's request builder texts, as the dialog fills them with nothing read yet.
  Result<kaviro::RdAnswer> Press(int id, const RdInputs& inputs = {}, const RdDeviceChoice& choice = {}) {
    const RdButton* button = FindRdButton(id);
    EXPECT_NE(button, nullptr) << id;
    return PressRdButton(link, *button, choice, inputs, memory);
  }
  Bytes Sent(size_t i = 0) const { return i < socket->sent().size() ? socket->sent()[i] : Bytes{}; }

  FakeClock clock;
  std::shared_ptr<ScriptedSocket> socket = std::make_shared<ScriptedSocket>();
  LinkService link{clock};
  RelayMemory memory;
};

struct FrameCase {
  const char* name;
  int button;
  RdInputs inputs;
  RdDeviceChoice choice;
  Bytes frame;  // after the transaction id; empty: refused, nothing sent
  const char* refusal = "";
};
void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

RdDeviceChoice Choice(std::string modbusIdText, uint8_t wirelessLast = 0x36, std::string lastRdModbusId = {}) {
  return {std::move(modbusIdText), wirelessLast, std::move(lastRdModbusId)};
}

RdInputs WithRange(int relay, const char* action, const char* offset) {
  RdInputs in;
  in.ranges[static_cast<size_t>(relay)] = {action, offset};
  return in;
}
RdInputs WithWarning(int index, const char* volts) {
  RdInputs in;
  in.warnings[static_cast<size_t>(index)] = volts;
  return in;
}
RdInputs WithSelections(int modbusIdIndex, int batteryIndex) {
  RdInputs in;
  in.modbusIdIndex = modbusIdIndex;
  in.batteryIndex = batteryIndex;
  return in;
}

class RdFrames : public RdLinkTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(RdFrames, HandlerSendsItsFrame) {
  const FrameCase& c = GetParam();
  socket->Then(RdAnswer(kTid, {0x36, 0x06, 0, 0, 0, 0}));
  const Result<kaviro::RdAnswer> run = Press(c.button, c.inputs, c.choice);
  if (c.frame.empty()) {
    EXPECT_EQ(run.status, Status::kRefused);
    EXPECT_EQ(run.Text(), c.refusal);
    EXPECT_TRUE(socket->sent().empty());
    return;
  }
  const Bytes sent = Sent();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0], kTid >> 8);
  EXPECT_EQ(sent[1], kTid & 0xFF);
  EXPECT_EQ(Bytes(sent.begin() + 2, sent.end()), c.frame);
  EXPECT_EQ(link.transaction().Current(), kTid + 1) << "every request sent moves the transaction id on";
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, RdFrames,
    ::testing::Values(
        FrameCase{"InformationRead", relay_ids::kReadInformation, {}, {}, {0x01, 0x01, 0x00, 0x06, 0x36, 0x03, 0x00, 0x20, 0x00, 0x04}},
        FrameCase{"Relay1On", relay_ids::kRelay1On, {}, {}, {1, 1, 0, 6, 0x36, 0x05, 0x20, 0x22, 0xFF, 0x00}},
        FrameCase{"Relay1Off", relay_ids::kRelay1Off, {}, {}, {1, 1, 0, 6, 0x36, 0x05, 0x20, 0x22, 0x00, 0x00}},
        FrameCase{"Relay2Range", relay_ids::kSetRelay2Range, WithRange(1, "12", "1.5"), {}, {1, 1, 0, 6, 0x36, 0x06, 0x20, 0x31, 0x0C, 0x0F}},
        FrameCase{"RangeOfWhatIsNoNumber", relay_ids::kSetRelay1Range, WithRange(0, "x", ""), {}, {}, kRdBadInputText},
        FrameCase{"RangeOf300VoltsIsRefused", relay_ids::kSetRelay1Range, WithRange(0, "300", "1"), {}, {}, kRdBadInputText},
        FrameCase{"RangeOffsetWithAComma", relay_ids::kSetRelay1Range, WithRange(0, "12", "1,5"), {}, {}, kRdBadInputText},
        FrameCase{"RangeOffsetRoundsToTenths", relay_ids::kSetRelay1Range, WithRange(0, "12", "1.55"), {}, {1, 1, 0, 6, 0x36, 0x06, 0x20, 0x30, 0x0C, 0x10}},
        FrameCase{"AlarmVoltage", relay_ids::kSetAlarmVoltage, WithWarning(0, "11.5"), {}, {1, 1, 0, 6, 0x36, 0x06, 0x20, 0x33, 0x2C, 0xEC}},
        FrameCase{"AlarmVoltage16_06IsAllItsMillivolts", relay_ids::kSetAlarmVoltage, WithWarning(0, "16.06"), {}, {1, 1, 0, 6, 0x36, 0x06, 0x20, 0x33, 0x3E, 0xBC}},
        FrameCase{"WarningVoltageRounds", relay_ids::kSetWarningVoltage, WithWarning(1, "12.0009"), {}, {1, 1, 0, 6, 0x36, 0x06, 0x20, 0x34, 0x2E, 0xE1}},
        FrameCase{"WarningOf70VoltsIsRefused", relay_ids::kSetWarningVoltage, WithWarning(1, "70"), {}, {}, kRdBadInputText},
        FrameCase{"WarningThatIsNoNumber", relay_ids::kSetWarningVoltage, WithWarning(1, "abc"), {}, {}, kRdBadInputText},
        FrameCase{"BatteryWithoutModbusId", relay_ids::kBatteryCount, WithSelections(-1, 2), Choice("", 0x44), {1, 1, 0, 6, 0x44, 0x06, 0x20, 0x20, 0x00, 0x03}},
        // Nothing decoded yet: the RD's address is unknown, and unit 0 would reach every device.
        FrameCase{"ModbusIdChangeBeforeAnyRead", relay_ids::kModbusId, WithSelections(4, -1), Choice("05"), {}, kRdModbusIdUnknownText},
        FrameCase{"ModbusIdChangeToTheRemembered", relay_ids::kModbusId, WithSelections(4, 0), Choice("05", 0x36, "36"), {1, 1, 0, 6, 0x36, 0x06, 0x20, 0x20, 0x05, 0x01}},
        FrameCase{"RangeReadToTheWirelessByte", relay_ids::kReadRelay3Range, {}, Choice("05", 0x37), {1, 1, 0, 6, 0x37, 0x03, 0x20, 0x12, 0x00, 0x01}},
        FrameCase{"DeviceInformationIs11Bytes", relay_ids::kReadIdentification, {}, {}, {1, 1, 0, 5, 0x36, 0x2B, 0x0E, 0x01, 0x00}}),
    [](const ::testing::TestParamInfo<FrameCase>& info) { return info.param.name; });

TEST(RdBuilder, HexTextsConvertLikeTheStandardConversion) {
  const std::pair<const char*, unsigned long> cases[] = {
      {"", 0}, {"36", 0x36}, {" 0x2B", 0x2B}, {"ff00", 0xFF00}, {"12G4", 0x12}, {"-1", static_cast<unsigned long>(-1)}, {"zz", 0}};
  for (const auto& [text, value] : cases) EXPECT_EQ(HexTextValue(text), value) << text;
  const RdCommand c = ParseRdCommand({"1F7", "0x110", "12345", "-1", "AB"});
  EXPECT_EQ(c.unit, 0xF7);
  EXPECT_EQ(c.function, 0x10);
  EXPECT_EQ(c.address, 0x2345);
  EXPECT_EQ(c.countOrData, 0xFFFF);
}

TEST(RdBuilder, DataAreaHoldsAZeroThenTheAsciiBytes) {
  struct Case {
    const char* ascii;
    int count;
    Bytes first8;
  };
  const Case cases[] = {
      {"3231323036", 3, {0x00, 0x32, 0x31, 0x32, 0x30, 0x36, 0x00, 0x00}},
      {"32003130", 2, {0x00, 0x32, 0x31, 0x30, 0x00, 0x00, 0x00, 0x00}},  // a zero pair adds no byte
      {"323", 2, {0x00, 0x32, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},       // odd digit ignored, rest zero-filled
      {"41G242", 2, {0x00, 0x41, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},    // stops at a pair that is no hex
      {"414243", 1, {0x00, 0x41, 0x42, 0x00, 0x00, 0x00, 0x00, 0x00}},    // 2 × count bytes at most
  };
  for (const Case& c : cases) {
    const RdDataBytes area = RdDataArea(c.ascii, c.count);
    EXPECT_EQ(Bytes(area.begin(), area.begin() + 8), c.first8) << c.ascii;
  }
  EXPECT_EQ(RdDataArea("01020304050607080910111213141516", 7)[15], 0) << "the area ends after 15 data bytes";
}

TEST_F(RdLinkTest, WirelessAddressWriteSendsTheZeroAndFiveBytes) {
  socket->Then(RdAnswer(kTid, {0x36, 0x10, 0x10, 0x00, 0x00, 0x03}));
  const Result<kaviro::RdAnswer> run = RunInternalCommand(link, {"36", "10", "1000", "0003", "4142434445"}, memory);
  EXPECT_EQ(Sent(), (Bytes{0x12, 0x34, 1, 1, 0, 13, 0x36, 0x10, 0x10, 0x00, 0x00, 0x03, 0x06, 0x00, 0x41, 0x42, 0x43,
                           0x44, 0x45}));
  EXPECT_EQ(run.value->decoded.text, "设置 SN:4142434445");
  ASSERT_TRUE(run.value->decoded.wirelessAddress);
  EXPECT_EQ((*run.value->decoded.wirelessAddress)[4], 0x45);
  EXPECT_FALSE(run.value->decoded.showWirelessAddress);
}

TEST_F(RdLinkTest, MoreThanSevenRegistersAreRefusedUnsent) {
  const Result<kaviro::RdAnswer> run = RunInternalCommand(link, {"36", "10", "1000", "8", "41"}, memory);
  EXPECT_EQ(run.status, Status::kRefused);
  EXPECT_EQ(run.Text(), kRdTooManyRegistersText);
  EXPECT_TRUE(socket->sent().empty());
}

TEST_F(RdLinkTest, AnswerIsTakenByItsTransactionIdWithinAHundredReceives) {
  socket->ThenCode(NetSocket::kWouldBlock, 3);
  socket->Then(RdAnswer(kTid - 1, {0x36, 0x03, 0x02, 0x0B, 0x0A}));
  socket->ThenCode(0);  // a failed receive does not end the wait
  socket->Then(RdAnswer(kTid, {0x36, 0x03, 0x02, 0x0C, 0x0F}));
  const Result<kaviro::RdAnswer> run = Press(relay_ids::kReadRelay2Range);
  ASSERT_TRUE(run.ok());
  EXPECT_EQ(clock.NowMs(), 6u * 30);
  EXPECT_EQ(run.value->dump, "36 03 02 0C 0F ");
  ASSERT_TRUE(run.value->decoded.range);
  EXPECT_EQ(run.value->decoded.range->relay, 1);
  EXPECT_EQ(run.value->decoded.range->action, "12");
  EXPECT_EQ(run.value->decoded.range->offset, "1.5");
  EXPECT_EQ(run.value->decoded.text, "");
}

TEST_F(RdLinkTest, FailuresCarryTheirTexts) {
  Result<kaviro::RdAnswer> run = Press(relay_ids::kReadInformation);
  EXPECT_EQ(run.Text(), text::kBadAnswer);
  EXPECT_EQ(socket->receives(), 100);
  EXPECT_EQ(clock.NowMs(), 3000u);

  // Five bytes with the right id: no answer, not the previous one decoded again.
  socket->Then({0x12, 0x34, 0x01, 0x01, 0x00});
  run = Press(relay_ids::kReadInformation);
  EXPECT_EQ(run.status, Status::kNoAnswer);
  EXPECT_EQ(run.Text(), text::kBadAnswer);
  socket->Then(RdHeader(kTid, 8));
  EXPECT_EQ(Press(relay_ids::kReadInformation).Text(), text::kBadAnswer) << "a header alone is no answer either";
  EXPECT_EQ(memory.rdInfoReadCount, 0);

  socket->LimitSend(5);
  run = Press(relay_ids::kReadInformation);
  EXPECT_EQ(run.Text(), text::kSendFailed);
  EXPECT_TRUE(run.notices.front().application);

  link.SetConnected(false);
  const size_t sends = socket->sent().size();
  run = Press(relay_ids::kReadInformation);
  EXPECT_EQ(run.status, Status::kNotConnected);
  EXPECT_EQ(run.Text(), text::kNotConnected);
  EXPECT_EQ(socket->sent().size(), sends);
}

struct DecodeCase {
  const char* name;
  uint16_t address;
  uint8_t function;
  Bytes answer;
  std::string text;
};
void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class RdDecodeRules : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(RdDecodeRules, ResultText) {
  const DecodeCase& c = GetParam();
  const uint8_t sent[5] = {0x32, 0x31, 0x32, 0x30, 0x36};
  EXPECT_EQ(DecodeRdAnswer(c.address, c.function, c.answer, sent).text, c.text);
}

const std::string kShort = kRdShortAnswerText;

INSTANTIATE_TEST_SUITE_P(
    Rules, RdDecodeRules,
    ::testing::Values(
        DecodeCase{"WirelessAddressRead", 0x1000, 0x03, {0x36, 0x03, 0x06, 0x00, 0x32, 0x31, 0x32, 0x30, 0x41}, "SN:3231323041"},
        DecodeCase{"WirelessWriteElsewhere", 0x1000, 0x10, {0x36, 0x90, 0x02}, "设置 SN:323132303602 " + kShort},
        DecodeCase{"BatteryConfigured", 0x2020, 0x06, {0x36, 0x06, 0x20, 0x20, 0x00, 0x03}, "设置：电池配置模式 4节48V "},
        DecodeCase{"BatteryCode5", 0x2020, 0x06, {0x36, 0x06, 0x20, 0x20, 0x05, 0x05}, "设置：电池拨码模式 5自动匹配 "},
        DecodeCase{"BuzzerMode", 0x2021, 0x06, {0x36, 0x06, 0x20, 0x21, 0x00, 0x01}, "设置：蜂鸣器屏蔽 "},
        DecodeCase{"BuzzerCoil", 0x2021, 0x05, {0x36, 0x05, 0x20, 0x21, 0xFF, 0x00}, "设置：蜂鸣响 "},
        DecodeCase{"BuzzerOtherFunction", 0x2021, 0x03, {0x36, 0x03, 0x02, 0x00, 0x01}, ""},
        DecodeCase{"RunMode", 0x2022, 0x06, {0x36, 0x06, 0x20, 0x22, 0x00, 0x00}, "设置：SW自动模式 "},
        DecodeCase{"Relay1", 0x2022, 0x05, {0x36, 0x05, 0x20, 0x22, 0xFF, 0x00}, "SW1打开 "},
        DecodeCase{"Relay3", 0x2024, 0x05, {0x36, 0x05, 0x20, 0x24, 0x00, 0x00}, "SW3关闭 "},
        DecodeCase{"SwitchStatus", 0x2030, 0x03, {0x36, 0x03, 0x04, 0x01, 0x00, 0x01, 0x01},
                   "RD电压开关状态:开 RD继电器1状态:关 RD继电器2状态:开 RD继电器3状态:开"},
        DecodeCase{"RangeEcho", 0x2031, 0x06, {0x36, 0x06, 0x20, 0x31, 0x0C, 0x0F}, "设置：12.0V =< Vsw2  =< 13.5V "},
        DecodeCase{"AlarmEcho", 0x2033, 0x06, {0x36, 0x06, 0x20, 0x33, 0x2C, 0xEC}, "设置：最小报警x1 11.50V "},
        DecodeCase{"WarningEcho", 0x2034, 0x06, {0x36, 0x06, 0x20, 0x34, 0x2E, 0xE0}, "设置：最大预警x2 12.00V "},
        DecodeCase{"FactoryReset", 0x4000, 0x06, {0x36, 0x06, 0x40, 0x00, 0x00, 0x01}, "恢复出厂设置成功"},
        DecodeCase{"FactoryResetRefused", 0x4000, 0x06, {0x36, 0x06, 0x40, 0x00, 0x00, 0x00}, "恢复出厂设置失败"},
        DecodeCase{"ExceptionAnswerIsShort", 0x2022, 0x05, {0x36, 0x85, 0x02}, "SW1关闭 " + kShort},
        DecodeCase{"ShortInformation", 0x0020, 0x03, {0x36, 0x03, 0x08, 0x07},
                   "SW1工作 SW2工作 SW3工作 SW自动模式 蜂鸣器工作 蜂鸣灭 0.00V 0自动匹配 " + kShort},
        DecodeCase{"UnknownAddress", 0x3000, 0x03, {0x36, 0x03, 0x02, 0x00, 0x01}, ""}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

TEST(RdDecode, ValuesForTheEdits) {
  const uint8_t sent[5] = {};
  const RdDecoded warning = DecodeRdAnswer(0x2014, 0x03, Bytes{0x36, 0x03, 0x02, 0x2C, 0xEC}, sent);
  ASSERT_TRUE(warning.warning);
  EXPECT_EQ(warning.warning->index, 1);
  EXPECT_EQ(warning.warning->volts, "11.50");

  // Battery code 5 leaves the list as it is; an address outside the list empties the box.
  const RdDecoded info = DecodeRdAnswer(0x0020, 0x03, Bytes{0x36, 0x03, 0x08, 0, 2, 1, 1, 0, 0, 0xF8, 5}, sent);
  ASSERT_TRUE(info.info);
  EXPECT_FALSE(info.info->batteryIndex);
  EXPECT_EQ(info.info->modbusIdIndex, -1);
  EXPECT_EQ(info.info->modbusIdText, "");
  EXPECT_EQ(info.text, "SW手动模式 蜂鸣器屏蔽 蜂鸣响 0.00V 5自动匹配 ");
}

Bytes Identification(std::initializer_list<std::string> objects) {
  Bytes a{0x36, 0x2B, 0x0E, 0x01, 0x01, 0x00, 0x00, static_cast<uint8_t>(objects.size())};
  uint8_t id = 0;
  for (const std::string& o : objects) {
    a.push_back(id++);
    a.push_back(static_cast<uint8_t>(o.size()));
    a.insert(a.end(), o.begin(), o.end());
  }
  return a;
}

TEST(RdDecode, DeviceInformationIsBoundedByTheAnswer) {
  const uint8_t sent[5] = {};
  const RdDecoded whole =
      DecodeRdAnswer(0x0E01, 0x2B, Identification({"KAVIRO", std::string("K\0V", 3), "\xD3\xB2", "SW1", "0042"}), sent);
  ASSERT_TRUE(whole.identity);
  EXPECT_EQ(*whole.identity, (std::array<std::string, 5>{"KAVIRO", "KV", "硬", "SW1", "0042"}));
  EXPECT_FALSE(whole.shortAnswer);

  Bytes cut = Identification({"KAVIRO"});
  cut.insert(cut.end(), {0x01, 0xFF, 'K', 'V'});  // a length that claims bytes that never came
  const RdDecoded partial = DecodeRdAnswer(0x0E01, 0x2B, cut, sent);
  ASSERT_TRUE(partial.identity);
  EXPECT_EQ(*partial.identity, (std::array<std::string, 5>{"KAVIRO", "KV", "", "", ""}));
  EXPECT_TRUE(partial.shortAnswer);
  EXPECT_EQ(partial.text, kShort);
}

// The threshold probe on a scripted serial line.
class ProbeTest : public ::testing::Test {
 protected:
  ProbeTest() { link.UseSerialDevice(&port); }
  Bytes Answer(uint8_t unit, uint16_t first, uint16_t second, size_t size = 16) {
    Bytes a{unit, 0x03, 0x04, static_cast<uint8_t>(first >> 8), static_cast<uint8_t>(first),
            static_cast<uint8_t>(second >> 8), static_cast<uint8_t>(second)};
    const uint16_t crc = ComputeCrc16(a);
    a.push_back(static_cast<uint8_t>(crc & 0xFF));
    a.push_back(static_cast<uint8_t>(crc >> 8));
    a.resize(size, 0);
    return a;
  }
  FakeClock clock;
  ScriptedPort port{clock};
  LinkService link{clock};
};

TEST_F(ProbeTest, SendsTheBlockAndReadsBothValues) {
  port.AnswerAfter(120, Answer(1, 1200, 1205));
  const Result<ProbeAnswer> r = RunThresholdProbe(link, 1);
  const Bytes block{0x01, 0x03, 0x20, 0x33, 0x00, 0x02, 0x3F, 0xC4, 0, 0, 0, 0, 0, 0, 0, 0};
  const ProbeBytes sent = ProbeBlockOf(ProbeRequest(1));
  EXPECT_EQ(Bytes(sent.begin(), sent.end()), block);
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0], block);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value->first, 1200);
  EXPECT_EQ(r.value->second, 1205);
  EXPECT_EQ(clock.NowMs(), 300u) << "read at 200 ms, ended by the quiet step at 300";
}

TEST(ProbeText, HundredthsWithTheQuotientsLowByte) {
  const std::pair<uint16_t, const char*> cases[] = {
      {1200, "12.0 "}, {1205, "12.5 "}, {1250, "12.50 "}, {0, "0.0 "}, {25600, "0.0 "}, {25705, "1.5 "}, {65535, "143.35 "}};
  for (const auto& [value, text] : cases) EXPECT_EQ(ProbeValueText(value), text) << value;
}

TEST_F(ProbeTest, AnswersThatAreNotEvaluated) {
  struct Case {
    const char* name;
    std::vector<std::pair<uint64_t, Bytes>> pieces;
  };
  const Bytes good = Answer(1, 1200, 1250);
  Bytes badCrc = good;
  badCrc[7] ^= 0xFF;
  const Case cases[] = {
      {"NineBytesAlone", {{50, Answer(1, 1200, 1250, 9)}}},
      {"OtherAddress", {{50, Answer(2, 1200, 1250)}}},
      {"WrongCrc", {{50, badCrc}}},
      {"SeventeenBytes", {{50, Answer(1, 1200, 1250, 17)}}},
      {"Silence", {}},
      {"StillArrivingAtTheTenthStep",
       {{950, Bytes(good.begin(), good.begin() + 8)}, {1050, Bytes(good.begin() + 8, good.end())}}},
  };
  for (const Case& c : cases) {
    for (const auto& [at, bytes] : c.pieces) port.AnswerAfter(at, bytes);
    const uint64_t start = clock.NowMs();
    EXPECT_FALSE(RunThresholdProbe(link, 1).value) << c.name;
    EXPECT_LE(clock.NowMs() - start, 1000u) << c.name;
  }
  port.SetOpen(false);
  const size_t writes = port.writes().size();
  EXPECT_FALSE(RunThresholdProbe(link, 1).value);
  EXPECT_EQ(port.writes().size(), writes) << "a closed port gets nothing";
}

}  // namespace
}  // namespace kaviro
