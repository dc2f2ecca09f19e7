// The controller information operations: preset table, the user's row, DIP switches, faults and
// alarms, in virtual time against scripted lines.
#include <gtest/gtest.h>

#include <memory>

#include "link/fake_link.h"
#include "link/radio_packet.h"
#include "res/controller_info_dialog_ids.h"
#include "tools/controller/controller_info.h"

namespace kaviro {
namespace {

using testing::Bytes;
using Messages = std::vector<std::string>;

const std::string kPortBusy = "串口或被占用无法打开！\r\n请关闭占用此串口的程序，在重新打开本程序!";

// The answer to a read of `words`, from `unit`.
Bytes ReadAnswer(uint8_t unit, const std::vector<uint16_t>& words) {
  std::vector<uint8_t> body{unit, 0x03, static_cast<uint8_t>(2 * words.size())};
  for (uint16_t w : words) PutU16(body, w);
  const RtuFrame f = RtuFrame::Seal(body);
  return {f.Bytes().begin(), f.Bytes().end()};
}

std::vector<uint16_t> TableWords() {
  std::vector<uint16_t> words(kPresetRegisters);
  for (int k = 0; k < kPresetRegisters; ++k) words[k] = static_cast<uint16_t>(1000 + k);
  words[0] = 0x05A0;
  words[3] = 0x011E;
  words[8] = 0x00F6;
  return words;
}

Bytes Packets(const Bytes& plain) {
  Bytes out;
  for (const RadioPacket& p : PackFrame(plain)) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The answer behind a network header, without its CRC.
Bytes NetAnswer(uint16_t id, const Bytes& rtu) {
  Bytes out(kNetworkHeader + rtu.size() - 2);
  out[0] = static_cast<uint8_t>(id >> 8);
  out[1] = static_cast<uint8_t>(id);
  out[5] = static_cast<uint8_t>(rtu.size() - 2);
  std::copy(rtu.begin(), rtu.end() - 2, out.begin() + kNetworkHeader);
  return out;
}

TEST(PresetTexts, EachColumnInItsFormat) {
  const struct { int column; uint16_t value; const char* text; } cases[] = {
      {0, 0x05A0, "14.40"}, {1, 0, "0.00"},   {7, 1601, "16.01"}, {3, 0x011E, "30"},
      {3, 0x00FF, "255"},   {8, 0x00F6, "-10"}, {8, 0xFF00, "0"},   {8, 0x0080, "-128"},
  };
  for (const auto& c : cases) EXPECT_EQ(PresetText(c.column, c.value), c.text) << c.column << " " << c.value;
}

TEST(CustomPreset, NumbersThenRangesInColumnOrder) {
  const PresetRow good = {"14.4", "13.8", " 14.8 ", "30", "16.0", "11", "12", "12.5", "-10"};
  auto with = [&](int column, const char* text) {
    PresetRow row = good;
    row[column] = text;
    return row;
  };
  const struct { const char* what; PresetRow row; const char* message; const char* caption; int column; } cases[] = {
      {"16.0 is the top", with(0, "16.0"), "", "", -1},
      {"16.01 is over", with(0, "16.01"), "吸收电压范围为8.0~16.0", "输入范围错误", 0},
      {"7.99 is under", with(2, "7.99"), "均衡电压范围为8.0~16.0", "输入范围错误", 2},
      {"period 256", with(3, "256"), "均衡周期范围为0~255", "输入范围错误", 3},
      {"period wrapping to 0 as 16 bits", with(3, "65536"), "均衡周期范围为0~255", "输入范围错误", 3},
      {"coefficient 1", with(8, "1"), "温度系数范围为-128~0", "输入范围错误", 8},
      {"coefficient 200", with(8, "200"), "温度系数范围为-128~0", "输入范围错误", 8},
      {"coefficient -129", with(8, "-129"), "温度系数范围为-128~0", "输入范围错误", 8},
      {"middle band 17", with(7, "17"), "中电压上限范围为8.0~16.0", "输入范围错误", 7},
      {"not a number", with(5, "12V"), "请键入一个数。", "", 5},
      {"empty", with(1, ""), "请键入一个数。", "", 1},
      {"not a number before a range", [&] { PresetRow r = with(0, "20"); r[4] = "x"; return r; }(), "请键入一个数。", "", 4},
      {"not an integer", with(3, "1.5"), "请键入一个整数。", "", 3},
      {"nan is no number", with(6, "nan"), "请键入一个数。", "", 6},
      {"a decimal comma is no point", with(0, "14,4"), "请键入一个数。", "", 0},
      {"a second point", with(0, "14.4.1"), "请键入一个数。", "", 0},
      {"full-width digits", with(0, "１４．４"), "", "", -1},
      {"16.004 rounds to 16.00", with(0, "16.004"), "", "", -1},
      {"16.005 rounds to 16.01, over", with(0, "16.005"), "吸收电压范围为8.0~16.0", "输入范围错误", 0},
  };
  for (const auto& c : cases) {
    const Result<CustomPresetWords> check = CheckCustomPreset(c.row);
    const Notice said = check.notices.empty() ? Notice{} : check.notices.front();
    EXPECT_EQ(said.text, c.message) << c.what;
    EXPECT_EQ(said.caption, c.caption) << c.what;
    EXPECT_EQ(said.field, c.column) << c.what;
    EXPECT_EQ(check.value.has_value(), *c.message == '\0') << c.what;
  }
}

TEST(CustomPreset, TheWriteFrame) {
  const Result<CustomPresetWords> check = CheckCustomPreset({"14.4", "13.8", "14.8", "30", "16", "11", "12", "12.5", "-10"});
  ASSERT_TRUE(check.value);
  EXPECT_EQ(*check.value, (CustomPresetWords{1440, 1380, 1480, 30, 1600, 1100, 1200, 1250, 0x00F6}));
  const RtuFrame frame = CustomPresetFrame(1, *check.value);
  EXPECT_EQ(Bytes(frame.Bytes().begin(), frame.Bytes().end()),
            (Bytes{0x01, 0x10, 0x20, 0x3F, 0x00, 0x09, 0x12, 0x05, 0xA0, 0x05, 0x64, 0x05, 0xC8, 0x00,
                   0x1E, 0x06, 0x40, 0x04, 0x4C, 0x04, 0xB0, 0x04, 0xE2, 0x00, 0xF6, 0x10, 0x24}));
  // Hundredths from the typed digits, half away from zero: what the table shows after a read is
  // what was typed.
  EXPECT_EQ(CheckCustomPreset({"8.005", "14.404", "9.999", "0", "8", "13.2", "8", "8", "-128"}).value,
            (CustomPresetWords{801, 1440, 1000, 0, 800, 1320, 800, 800, 0x0080}));
}

class InfoLinkTest : public ::testing::Test {
 protected:
  InfoLinkTest() { link.UseSerialDevice(&port); }
  testing::FakeClock clock;
  testing::ScriptedPort port{clock};
  LinkService link{clock};
};

TEST_F(InfoLinkTest, TableAnswerOfExactly149BytesFillsTheTable) {
  port.AnswerAfter(250, ReadAnswer(1, TableWords()));
  const Result<PresetWords> read = ReadPresetTable(link, LinkMode::kSerial, 1);
  EXPECT_TRUE(read.Texts().empty());
  ASSERT_TRUE(read.value);
  const PresetTexts texts = PresetTableTexts(*read.value);
  EXPECT_EQ(texts[0][0], "14.40");
  EXPECT_EQ(texts[0][3], "30");
  EXPECT_EQ(texts[0][8], "-10");
  EXPECT_EQ(texts[7][8], "47");  // low byte of 1071
  EXPECT_EQ(port.writes()[0], (Bytes{0x01, 0x03, 0x20, 0x00, 0x00, 0x48, 0x4E, 0x3C}));
  EXPECT_EQ(clock.NowMs(), 300u);
}

TEST_F(InfoLinkTest, TableAnswersThatAreRefused) {
  Bytes longer = ReadAnswer(1, TableWords());
  longer.push_back(0x00);
  Bytes badCrc = ReadAnswer(1, TableWords());
  badCrc.back() ^= 0xFF;
  Bytes flood = ReadAnswer(1, TableWords());
  flood.resize(400, 0x55);
  const struct { const char* what; uint8_t unit; Bytes answer; Messages messages; } cases[] = {
      {"150 bytes", 1, longer, {"格式不正确"}},
      {"deviceId 5, reply from 5", 5, ReadAnswer(5, TableWords()), {}},
      {"deviceId 5, reply from 1", 5, ReadAnswer(1, TableWords()), {"ModBus地址不匹配"}},
      {"bad CRC is dropped silently", 1, badCrc, {}},
      {"other function", 1, [] { Bytes b = ReadAnswer(1, TableWords()); b[1] = 4; return b; }(), {"格式不正确"}},
      {"a short answer never completes: silent", 1, ReadAnswer(1, {7}), {}},
      {"more than the buffer is cut, then fails the length", 1, flood, {"格式不正确"}},
  };
  for (const auto& c : cases) {
    port.AnswerAfter(100, c.answer);
    const Result<PresetWords> read = ReadPresetTable(link, LinkMode::kSerial, c.unit);
    EXPECT_EQ(read.Texts(), c.messages) << c.what;
    EXPECT_EQ(read.value.has_value(), c.unit == 5 && c.messages.empty()) << c.what;
  }
  EXPECT_EQ(link.receive().stored, ReceiveBuffer::kSize);
}

TEST_F(InfoLinkTest, SilenceAbandonsTheTableAfterFourEmptyChecks) {
  EXPECT_TRUE(ReadPresetTable(link, LinkMode::kSerial, 1).Texts().empty());
  EXPECT_EQ(clock.NowMs(), 400u);
  // Bytes keep the wait open; a trickle that never completes uses all 30 checks.
  for (int i = 0; i < 30; ++i) port.AnswerAfter(50 + 100 * i, Bytes{0x01});
  const Result<PresetWords> read = ReadPresetTable(link, LinkMode::kSerial, 1);
  EXPECT_FALSE(read.value);
  EXPECT_TRUE(read.Texts().empty());
  EXPECT_EQ(clock.NowMs(), 400u + 3000);
}

TEST_F(InfoLinkTest, WirelessTableThatGoesQuietHalfwayIsDroppedSilently) {
  const Bytes packets = Packets(ReadAnswer(1, TableWords()));
  port.AnswerAfter(300, Bytes(packets.begin(), packets.begin() + 40));  // two packets and a half
  const Result<PresetWords> read = ReadPresetTable(link, LinkMode::kWireless, 1);
  EXPECT_FALSE(read.value);
  EXPECT_TRUE(read.notices.empty()) << read.Text();
}

TEST_F(InfoLinkTest, WirelessTableIsUnpackedAndItsErrorsShown) {
  port.AnswerAfter(300, Packets(ReadAnswer(1, TableWords())));
  const Result<PresetWords> read = ReadPresetTable(link, LinkMode::kWireless, 1);
  ASSERT_TRUE(read.value);
  EXPECT_EQ((*read.value)[0], 0x05A0);
  ASSERT_EQ(port.writes()[0].size(), 16u);
  EXPECT_EQ(port.writes()[0][15], 8);

  Bytes zeroCount = Packets(ReadAnswer(1, TableWords()));
  zeroCount[15] = 0;
  port.AnswerAfter(300, zeroCount);
  EXPECT_EQ(ReadPresetTable(link, LinkMode::kWireless, 1).Texts(), Messages{"包有效数据个数不在1~15范围内"});
}

// The controller's standard answer to the 0x10 write: address, 10, start, count.
Bytes CustomConfirmation(uint8_t unit) {
  const RtuFrame f = RtuFrame::Seal(Bytes{unit, 0x10, 0x20, 0x3F, 0x00, 0x09});
  return {f.Bytes().begin(), f.Bytes().end()};
}

TEST_F(InfoLinkTest, CustomRowGoesOutAsTwoWirelessPacketsAndIsConfirmed) {
  const RtuFrame frame = CustomPresetFrame(1, {1440, 1380, 1480, 30, 1600, 1100, 1200, 1250, 0x00F6});
  port.AnswerWrite(1, 100, Packets(CustomConfirmation(1)));
  EXPECT_EQ(SendCustomPreset(link, LinkMode::kWireless, frame).Text(), "设置成功！");
  ASSERT_EQ(port.writes().size(), 2u);
  EXPECT_EQ(Bytes(port.writes()[0].begin(), port.writes()[0].begin() + 15), Bytes(frame.Bytes().begin(), frame.Bytes().begin() + 15));
  EXPECT_EQ(port.writes()[0][15], 15);
  Bytes last(frame.Bytes().begin() + 15, frame.Bytes().end());
  last.resize(15, 0);
  last.push_back(12);
  EXPECT_EQ(port.writes()[1], last);

  // Serial: the same 27 bytes; nothing back, bytes that are no confirmation, the confirmation.
  const struct { const char* what; std::optional<Bytes> answer; const char* message; } cases[] = {
      {"silence", std::nullopt, "通讯失败，请检查连接或重新操作！"},
      {"another unit's answer", CustomConfirmation(2), "设置失败！"},
      {"confirmed", CustomConfirmation(1), "设置成功！"},
  };
  for (const auto& c : cases) {
    if (c.answer) port.AnswerAfter(200, *c.answer);
    const Result<> sent = SendCustomPreset(link, LinkMode::kSerial, frame);
    EXPECT_EQ(sent.Text(), c.message) << c.what;
    EXPECT_EQ(sent.ok(), std::string_view(c.message) == "设置成功！") << c.what;
    EXPECT_EQ(port.writes().back(), Bytes(frame.Bytes().begin(), frame.Bytes().end())) << c.what;
  }
  port.SetOpen(false);
  const size_t writes = port.writes().size();
  EXPECT_EQ(SendCustomPreset(link, LinkMode::kSerial, frame).Text(), kPortBusy);
  EXPECT_EQ(ReadPresetTable(link, LinkMode::kWireless, 1).Texts(), Messages{kPortBusy});
  EXPECT_EQ(port.writes().size(), writes);
}

TEST_F(InfoLinkTest, OneRegisterIsTakenAtTheFirstQuietCheckAndChecked) {
  port.AnswerAfter(150, ReadAnswer(1, {0x0014}));
  const Result<uint16_t> read = ReadInfoRegister(link, LinkMode::kSerial, 1, kDipRegister);
  EXPECT_EQ(read.value, 0x0014);
  EXPECT_EQ(port.writes()[0], (Bytes{0x01, 0x03, 0x00, 0x30, 0x00, 0x01, 0x84, 0x05}));
  EXPECT_EQ(clock.NowMs(), 300u);

  Bytes badCrc = ReadAnswer(1, {0x00FF});
  badCrc[5] ^= 1;
  const struct { const char* what; Bytes answer; } refused[] = {
      {"bad CRC", badCrc},
      {"another unit", ReadAnswer(2, {0x00FF})},
      {"too short", [] { Bytes b = ReadAnswer(1, {0x00FF}); b.pop_back(); return b; }()},
      {"two registers", ReadAnswer(1, {0x00FF, 0x00FF})},
      {"nothing", {}},
  };
  for (const auto& c : refused) {
    if (!c.answer.empty()) port.AnswerAfter(100, c.answer);
    const Result<uint16_t> r = ReadInfoRegister(link, LinkMode::kSerial, 1, kFaultRegister);
    EXPECT_FALSE(r.value) << c.what;
    EXPECT_EQ(r.Texts(), Messages{"返回数据错误！"}) << c.what;
  }

  port.AnswerAfter(100, Packets(ReadAnswer(1, {0x0107})));
  EXPECT_EQ(ReadInfoRegister(link, LinkMode::kWireless, 1, kAlarmRegister).value, 0x0107);
}

TEST_F(InfoLinkTest, FaultsThenAlarms) {
  port.AnswerWrite(0, 100, ReadAnswer(1, {0x0081}));
  port.AnswerWrite(1, 100, ReadAnswer(1, {0x0021}));
  Result<FaultAlarmWords> read = ReadFaultsAndAlarms(link, LinkMode::kSerial, 1);
  EXPECT_EQ(read.value->faults, 0x0081);
  EXPECT_EQ(read.value->alarms, 0x0021);
  EXPECT_TRUE(read.Texts().empty());
  EXPECT_EQ(port.writes()[1][3], 0x2E);

  port.AnswerWrite(2, 100, ReadAnswer(1, {0x0001}));
  read = ReadFaultsAndAlarms(link, LinkMode::kSerial, 1);
  EXPECT_EQ(read.value->faults, 0x0001);
  EXPECT_FALSE(read.value->alarms);
  EXPECT_EQ(read.Texts(), Messages{"返回数据错误！"});
}

TEST(DipSwitches, OneLitLabelPerGroup) {
  const struct { uint16_t word; std::array<int, 6> lit; } cases[] = {
      {0x0014,
       {info_ids::kLightingLoad, info_ids::kHighFrequency, info_ids::kBatteries24V, info_ids::kFlooded2Row,
        info_ids::kAutomaticEqualise, info_ids::kMeterRadio}},
      {0x0000,
       {info_ids::kLightingLoad, info_ids::kHighFrequency, info_ids::kBatteriesAuto, info_ids::kGelRow,
        info_ids::kAutomaticEqualise, info_ids::kMeterRadio}},
      {0x01FF,
       {info_ids::kStandardLoad, info_ids::kLowFrequency, info_ids::kBatteries48V, info_ids::kCustomRow,
        info_ids::kManualEqualise, info_ids::kRtsRadio}},
      {0x0008,
       {info_ids::kLightingLoad, info_ids::kHighFrequency, info_ids::kBatteries12V, info_ids::kGelRow,
        info_ids::kAutomaticEqualise, info_ids::kMeterRadio}},
      {0x0040,
       {info_ids::kLightingLoad, info_ids::kHighFrequency, info_ids::kBatteriesAuto, info_ids::kSealedRow,
        info_ids::kAutomaticEqualise, info_ids::kMeterRadio}},  // switch 7 alone is the low bit: row 1
      {0x0020,
       {info_ids::kLightingLoad, info_ids::kHighFrequency, info_ids::kBatteriesAuto, info_ids::kSealed2Row,
        info_ids::kAutomaticEqualise, info_ids::kMeterRadio}},
  };
  for (const auto& c : cases) {
    const DipView v = DecodeDip(c.word);
    for (int g = 0; g < kDipGroups; ++g) EXPECT_EQ(v.lit[g].id, c.lit[g]) << std::hex << c.word << " group " << g;
  }
  EXPECT_EQ(DecodeDip(0x0014).on, (std::array<bool, 9>{false, false, true, false, true, false, false, false, false}));
}

class InfoNetworkTest : public ::testing::Test {
 protected:
  InfoNetworkTest() {
    link.SetConnection(socket);
    link.SetConnected(true);
    link.transaction().Reset(0x0010);
  }
  testing::FakeClock clock;
  std::shared_ptr<testing::ScriptedSocket> socket = std::make_shared<testing::ScriptedSocket>();
  LinkService link{clock};
};

TEST_F(InfoNetworkTest, ReadsAndTheirRefusals) {
  socket->Then(NetAnswer(0x0010, ReadAnswer(1, TableWords())));
  const Result<PresetWords> table = ReadPresetTable(link, LinkMode::kNetwork, 1);
  ASSERT_TRUE(table.value);
  EXPECT_EQ((*table.value)[8], 0x00F6);
  EXPECT_EQ(socket->sent()[0], (Bytes{0x00, 0x10, 0, 0, 0, 6, 0x01, 0x03, 0x20, 0x00, 0x00, 0x48}));

  Bytes claimsMore = NetAnswer(0x0011, ReadAnswer(1, {0x0014}));
  claimsMore[5] = 0x20;
  const struct { const char* what; Bytes answer; Messages messages; } cases[] = {
      {"good", NetAnswer(0x0011, ReadAnswer(1, {0x0014})), {}},
      {"another unit", NetAnswer(0x0011, ReadAnswer(2, {0x0014})), {"ModBus地址不匹配", "接收数据错误！"}},
      {"function 4", [] { Bytes b = NetAnswer(0x0011, ReadAnswer(1, {0x0014})); b[7] = 4; return b; }(),
       {"格式不正确", "接收数据错误！"}},
      {"length field beyond the bytes", claimsMore, {"格式不正确", "接收数据错误！"}},
      {"no answer", {}, {"返回数据错误！"}},
  };
  for (const auto& c : cases) {
    link.transaction().Reset(0x0011);
    if (!c.answer.empty()) socket->Then(c.answer);
    const Result<uint16_t> read = ReadInfoRegister(link, LinkMode::kNetwork, 1, kFaultRegister);
    EXPECT_EQ(read.value.has_value(), c.messages.empty()) << c.what;
    EXPECT_EQ(read.Texts(), c.messages) << c.what;
    EXPECT_EQ(link.transaction().Current(), 0x0012) << c.what;
  }
}

TEST_F(InfoNetworkTest, LinkFailures) {
  socket->ThenCode(NetSocket::kWouldBlock);
  socket->ThenCode(0);
  EXPECT_EQ(ReadPresetTable(link, LinkMode::kNetwork, 1).Texts(), Messages{"接收数据错误，请检查网络连接！"});
  EXPECT_EQ(link.transaction().Current(), 0x0011);  // sent: the id moves on, answered or not

  const RtuFrame frame = CustomPresetFrame(1, {});
  socket->LimitSend(5);
  EXPECT_EQ(SendCustomPreset(link, LinkMode::kNetwork, frame).Text(), "发送数据失败");
  EXPECT_EQ(link.transaction().Current(), 0x0011);
  socket->LimitSend(-1);
  socket->Then(NetAnswer(0x0011, CustomConfirmation(1)));
  EXPECT_EQ(SendCustomPreset(link, LinkMode::kNetwork, frame).Text(), "设置成功！");
  EXPECT_EQ(socket->sent().back().size(), 31u);
  EXPECT_EQ(link.transaction().Current(), 0x0012);

  link.SetConnected(false);
  const size_t sent = socket->sent().size();
  EXPECT_EQ(ReadPresetTable(link, LinkMode::kNetwork, 1).Texts(), Messages{"网络未连接"});
  EXPECT_EQ(ReadFaultsAndAlarms(link, LinkMode::kNetwork, 1).Texts(), Messages{"网络未连接"});
  EXPECT_EQ(SendCustomPreset(link, LinkMode::kNetwork, frame).Text(), "网络未连接");
  EXPECT_EQ(socket->sent().size(), sent);
}

}  // namespace
}  // namespace kaviro
