// The test console's operations: frames, input checks, answer handlers and their waits, in
// virtual time against scripted lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "link/fake_link.h"
#include "link/gbk.h"
#include "link/radio_packet.h"
#include "link/text_format.h"
#include "tools/console/identification.h"
#include "tools/console/lighting.h"
#include "tools/console/network_module.h"
#include "tools/console/raw_frame.h"
#include "tools/console/wireless_settings.h"

namespace kaviro {
namespace {

using testing::Bytes;

Bytes Sealed(const Bytes& body) {
  const RtuFrame f = RtuFrame::Seal(body);
  return {f.Bytes().begin(), f.Bytes().end()};
}

Bytes Packets(const Bytes& plain) {
  Bytes out;
  for (const RadioPacket& p : PackFrame(plain)) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes NetworkAnswer(uint16_t id, const Bytes& pdu) {
  Bytes out(6 + pdu.size());
  out[0] = static_cast<uint8_t>(id >> 8);
  out[1] = static_cast<uint8_t>(id);
  out[5] = static_cast<uint8_t>(pdu.size());
  std::copy(pdu.begin(), pdu.end(), out.begin() + 6);
  return out;
}

std::string Hex(const RtuFrame& f) { return HexBytes(f.Bytes()); }

// Serial, wireless and network links in virtual time.
class ConsoleLinkTest : public ::testing::Test {
 protected:
  ConsoleLinkTest() {
    link.UseSerialDevice(&port);
    link.SetConnection(socket);
    link.SetConnected(true);
  }
  testing::FakeClock clock;
  testing::ScriptedPort port{clock};
  std::shared_ptr<testing::ScriptedSocket> socket = std::make_shared<testing::ScriptedSocket>();
  LinkService link{clock};
};

// --- Frames of every group ---------------------------------------------------------------------

TEST(ConsoleFrames, EveryGroupsRequests) {
  const struct {
    const char* what;
    RtuFrame frame;
    const char* bytes;  // a prefix of the frame as the console shows it
  } cases[] = {
      {"identification read", IdentificationRequest(1), "01 2B 0E 01 00 70 77 "},
      {"MAC read", MacReadRequest(1), "01 03 30 00 00 03 0A CB "},
      {"IP and port read", NetworkReadRequest(1), "01 03 30 10 00 08 4A C9 "},
      {"radio block read", WirelessReadRequest(1), "01 03 30 40 00 09 8B 18 "},
      {"Modbus address read", ModbusAddressRequest(1), "01 03 00 40 00 01 85 DE "},
      {"Modbus address 5", ModbusAddressWrite(1, 5), "01 06 00 40 00 05 48 1D "},
      {"dusk on 18:30:00", LightingFrame(1, 0xE080, SecondOfDay(18, 30, 0)), "01 10 E0 80 00 02 04 00 01 04 28 61 15 "},
      {"dusk off 00:00:00", LightingFrame(1, 0xE082, SecondOfDay(0, 0, 0)), "01 10 E0 82 00 02 04 00 00 00 00 "},
      {"dawn off 23:59:59", LightingFrame(1, 0xE086, SecondOfDay(23, 59, 59)), "01 10 E0 86 00 02 04 00 01 51 7F "},
      {"radio block, both switches off",
       *BuildWirelessWrite(1, {"3132303031", "3132303036", false, "ABCDEF0123", false}).value,
       "01 10 30 40 00 09 12 31 32 30 30 31 00 31 32 30 30 36 00 AB CD EF 01 23 00 "},
      {"radio block, both switches on",
       *BuildWirelessWrite(1, {"3132303031", "3132303036", true, "ABCDEF0123", true}).value,
       "01 10 30 40 00 09 12 31 32 30 30 31 00 31 32 30 30 36 01 AB CD EF 01 23 01 "},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(c.frame).substr(0, std::strlen(c.bytes)), c.bytes) << c.what;
}

// --- Raw frames ---------------------------------------------------------------------------------

TEST(RawFrame, ComposeChecksEachFieldInOrder) {
  const struct {
    RawFields fields;
    const char* message;
  } cases[] = {
      {{"1", "03", "0001", "0005"}, "ModBus地址，只能输入两个16进制字符，开头可以是0，例如：01"},
      {{"G1", "03", "0001", "0005"}, "ModBus地址，16进制数据请输入0~9或a~f或A~F的值。"},
      {{"01", "003", "0001", "0005"}, "ModBus命令字，只能输入两个16进制字符，开头可以是0，例如：01"},
      {{"01", "0x", "0001", "0005"}, "ModBus命令字，16进制数据请输入0~9或a~f或A~F的值。"},
      {{"01", "03", "001", "0005"}, "寄存器地址只能输入4个16进制字符,例如：0001"},
      {{"01", "03", "00G1", "0005"}, "ModBus寄存器地址，16进制数据请输入0~9或a~f或A~F的值。"},
      {{"01", "03", "0001", ""}, "ModBus值，只能输入4个16进制字符,例如：0005"},
      {{"01", "03", "0001", "00 5"}, "ModBus值，16进制数据请输入0~9或a~f或A~F的值。"},
      // The first failing field speaks, even when later ones are wrong too.
      {{"01", "3", "x", ""}, "ModBus命令字，只能输入两个16进制字符，开头可以是0，例如：01"},
  };
  for (const auto& c : cases) {
    const Result<ComposedFrame> composed = ComposeRawFrame(c.fields);
    EXPECT_FALSE(composed.ok()) << c.message;
    EXPECT_EQ(composed.Text(), c.message);
  }
}

TEST(RawFrame, ComposesTheFrameWithItsCrcHighByteFirst) {
  const auto composed = ComposeRawFrame({"01", "03", "0001", "0005"}).value;
  ASSERT_TRUE(composed);
  EXPECT_EQ(composed->crcText, "09D4");
  EXPECT_EQ(composed->frameText, "01 03 00 01 00 05 D4 09 ");
  const auto lower = ComposeRawFrame({"0a", "06", "e0ff", "00ff"}).value;
  const auto upper = ComposeRawFrame({"0A", "06", "E0FF", "00FF"}).value;
  ASSERT_TRUE(lower && upper);
  EXPECT_EQ(lower->frameText, upper->frameText);
  EXPECT_EQ(lower->frameText.substr(0, 18), "0A 06 E0 FF 00 FF ");
}

TEST(RawFrame, ExpectedLengthIsEightBits) {
  const struct {
    const char* function;
    const char* value;
    int expected;
  } cases[] = {
      {"03", "0005", 15}, {"04", "0105", 15},  // the count's high byte is not looked at
      {"03", "007D", 255}, {"03", "007E", 1}, {"04", "0080", 5},
      {"05", "FF00", 8},  {"06", "007E", 8},
  };
  for (const auto& c : cases) {
    const auto composed = ComposeRawFrame({"01", c.function, "0000", c.value}).value;
    ASSERT_TRUE(composed);
    EXPECT_EQ(RawExpectedLength(composed->frame), c.expected) << c.function << " " << c.value;
  }
}

RtuFrame Composed(const char* function, const char* value) {
  return ComposeRawFrame({"01", function, "0001", value}).value->frame;
}

TEST_F(ConsoleLinkTest, RawSerialSendShowsWhatWaitsOnceTheExpectedLengthIsIn) {
  const Bytes answer = Sealed({0x01, 0x03, 0x0A, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  port.AnswerAfter(25, answer);
  const Result<std::string> sent = SendRawFrame(link, LinkMode::kSerial, Composed("03", "0005"));
  EXPECT_TRUE(sent.value.has_value());
  EXPECT_EQ(sent.value.value_or(""), HexBytes(answer));
  EXPECT_EQ(sent.Text(), "");
  EXPECT_EQ(clock.NowMs(), 30u);
  EXPECT_EQ(port.writes()[0], (Bytes{0x01, 0x03, 0x00, 0x01, 0x00, 0x05, 0xD4, 0x09}));

  // Ten bytes of fifteen: 100 checks of 10 ms, nothing shown, no message.
  port.AnswerAfter(25, Bytes(answer.begin(), answer.begin() + 10));
  const Result<std::string> shortAnswer = SendRawFrame(link, LinkMode::kSerial, Composed("03", "0005"));
  EXPECT_FALSE(shortAnswer.value.has_value());
  EXPECT_EQ(shortAnswer.value.value_or(""), "");
  EXPECT_EQ(shortAnswer.Text(), "");
  EXPECT_EQ(clock.NowMs(), 30u + 1000);

  port.SetOpen(false);  // not written into the void: the user hears of it
  EXPECT_EQ(SendRawFrame(link, LinkMode::kSerial, Composed("03", "0005")).Text(),
            "串口或被占用无法打开！\r\n请关闭占用此串口的程序，在重新打开本程序!");
}

TEST_F(ConsoleLinkTest, RawNetworkSendTravelsAsTwelveBytesAndSkipsOtherIdentifiers) {
  link.transaction().Reset(0x0102);
  socket->Then(NetworkAnswer(0x0101, {0x01, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFF}));
  socket->ThenCode(NetSocket::kWouldBlock, 3);  // nothing yet is no error
  socket->Then(NetworkAnswer(0x0102, {0x01, 0x03, 0x04, 0x00, 0x0A, 0x00, 0x0B}));
  const Result<std::string> sent = SendRawFrame(link, LinkMode::kNetwork, Composed("03", "0002"));
  EXPECT_EQ(sent.value.value_or(""), "01 03 04 00 0A 00 0B ");
  EXPECT_EQ(sent.Text(), "");
  EXPECT_EQ(socket->sent()[0], (Bytes{0x01, 0x02, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x01, 0x00, 0x02}));
  EXPECT_EQ(link.transaction().Current(), 0x0103);
  EXPECT_EQ(socket->receives(), 5);
}

TEST_F(ConsoleLinkTest, RawNetworkFailures) {
  // Fifty receives without the identifier: no message, the identifier moves on.
  const Result<std::string> silent = SendRawFrame(link, LinkMode::kNetwork, Composed("03", "0002"));
  EXPECT_EQ(silent.Text(), "");
  EXPECT_EQ(socket->receives(), 50);
  EXPECT_EQ(link.transaction().Current(), 1);

  // A closed connection stops the wait with its message; the request went out, so the
  // identifier moves on as well.
  socket->ThenCode(0);
  EXPECT_EQ(SendRawFrame(link, LinkMode::kNetwork, Composed("03", "0002")).Text(), "接收数据错误！");
  EXPECT_EQ(link.transaction().Current(), 2);

  socket->LimitSend(11);
  EXPECT_EQ(SendRawFrame(link, LinkMode::kNetwork, Composed("03", "0002")).Text(), "发送数据失败");
  link.SetConnected(false);
  EXPECT_EQ(SendRawFrame(link, LinkMode::kNetwork, Composed("03", "0002")).Text(), "网络未连接");
  EXPECT_EQ(link.transaction().Current(), 2);
}

// --- Identification -----------------------------------------------------------------------------

// 01 2B 0E 01 01 00 00 05, then the five objects.
Bytes IdentificationBody(uint8_t unit, const std::array<std::string, 5>& texts, uint8_t mei = 0x0E) {
  Bytes b{unit, 0x2B, mei, 0x01, 0x01, 0x00, 0x00, 0x05};
  for (size_t i = 0; i < texts.size(); ++i) {
    b.push_back(static_cast<uint8_t>(i));
    b.push_back(static_cast<uint8_t>(texts[i].size()));
    b.insert(b.end(), texts[i].begin(), texts[i].end());
  }
  return b;
}

const std::array<std::string, 5> kObjects = {"KAVIRO", "KV-MPPT30", "HW V2.1", "SW V3.07", "24051701"};

TEST(Identification, HandlerTakesTheObjectsApartWithinWhatArrived) {
  const Bytes whole = Sealed(IdentificationBody(1, kObjects));
  Bytes truncatedBody = IdentificationBody(1, {"KAVIRO", "KV", "", "", ""});
  truncatedBody.resize(truncatedBody.size() - 6);  // object 2 onward missing
  truncatedBody[17] = 0x40;                         // product code claims 64 bytes
  Bytes badCrc = whole;
  badCrc.back() ^= 1;
  Bytes withZero = IdentificationBody(1, {std::string("A\0B", 3), Utf8ToGbk("光伏"), "", "", ""});
  const struct {
    const char* what;
    Bytes bytes;
    int count;
    bool network;
    std::optional<IdentificationTexts> objects;
  } cases[] = {
      {"whole serial answer", whole, static_cast<int>(whole.size()), false, kObjects},
      {"network answer, count with two CRC places", IdentificationBody(1, kObjects),
       static_cast<int>(whole.size()), true, kObjects},
      {"length past the end is cut there", Sealed(truncatedBody), static_cast<int>(truncatedBody.size() + 2), false,
       IdentificationTexts{"KAVIRO", "KV", "", "", ""}},
      {"header only", Sealed({1, 0x2B, 0x0E}), 5, false, IdentificationTexts{}},
      {"zero bytes add nothing, GBK becomes text", Sealed(withZero), static_cast<int>(withZero.size() + 2), false,
       IdentificationTexts{"AB", "光伏", "", "", ""}},
      {"MEI type 0x0D", Sealed(IdentificationBody(1, kObjects, 0x0D)), static_cast<int>(whole.size()), false,
       std::nullopt},
      {"wrong CRC", badCrc, static_cast<int>(badCrc.size()), false, std::nullopt},
  };
  for (const auto& c : cases) {
    const IdentificationAnswer a = HandleDeviceIdentification(c.bytes, c.count, c.network);
    EXPECT_EQ(a.objects, c.objects) << c.what;
    // Serial shows every byte, CRC included; the network the address and PDU.
    EXPECT_EQ(a.answerText, HexBytes(c.bytes)) << c.what;
  }
}

// The list names device 5: its answer counts, one from another device does not (serial and
// wireless; on the network the transaction id says whose it is).
TEST_F(ConsoleLinkTest, IdentificationIsCheckedAgainstTheDeviceAsked) {
  port.AnswerAfter(100, Sealed(IdentificationBody(5, kObjects)));
  const Result<IdentificationAnswer> asked = ReadIdentification(link, LinkMode::kSerial, 5);
  ASSERT_TRUE(asked.value && asked.value->objects);
  EXPECT_EQ((*asked.value->objects)[4], "24051701");
  EXPECT_EQ(port.writes()[0][0], 5);

  port.AnswerAfter(100, Sealed(IdentificationBody(1, kObjects)));
  const Result<IdentificationAnswer> other = ReadIdentification(link, LinkMode::kSerial, 5);
  EXPECT_FALSE(other.value);
  EXPECT_EQ(other.Text(), "");

  socket->Then(NetworkAnswer(0, IdentificationBody(5, kObjects)));
  const Result<IdentificationAnswer> network = ReadIdentification(link, LinkMode::kNetwork, 5);
  ASSERT_TRUE(network.value && network.value->objects);
  EXPECT_EQ((*network.value->objects)[4], "24051701");
}

TEST(Identification, UpdateFrameCarriesTheFieldsThatAreNotEmpty) {
  const Result<RtuFrame> serialOnly = BuildIdentificationUpdate(1, {"", "", "", "", "12345678"});
  ASSERT_TRUE(serialOnly.value);
  const Bytes body{0x01, 0x2B, 0x0E, 0x02, 0x00, 0x0C, 0x00, 0x01, 0x04, 0x08, '1', '2', '3', '4', '5', '6', '7', '8'};
  EXPECT_EQ(Hex(*serialOnly.value), HexBytes(Sealed(body)));

  const Result<RtuFrame> all = BuildIdentificationUpdate(1, {std::string(15, 'V'), std::string(15, 'P'), std::string(15, 'H'),
                                                          std::string(15, 'S'), "12345678"});
  ASSERT_TRUE(all.value);
  EXPECT_EQ(all.value->size(), 88u);
  EXPECT_EQ((*all.value)[5], 2 * 6 + 68);
  EXPECT_EQ((*all.value)[7], 5);

  // A Chinese character counts two bytes, in GBK on the wire.
  const Result<RtuFrame> chinese = BuildIdentificationUpdate(1, {"光伏控制器", "", "", "", "12345678"});
  ASSERT_TRUE(chinese.value);
  EXPECT_EQ((*chinese.value)[9], 10);
  EXPECT_EQ((*chinese.value)[10], 0xB9);  // 光 in GBK
}

TEST(Identification, UpdateRefusals) {
  const struct {
    IdentificationTexts texts;
    const char* refusal;
  } cases[] = {
      {{std::string(16, 'V'), "", "", "", "12345678"}, "VendorName 最长15个字节"},
      {{"中文八个字太长了", "", "", "", "12345678"}, "VendorName 最长15个字节"},  // 16 GBK bytes
      {{"", "", "", std::string(16, 'S'), "12345678"}, "软件版本 最长15个字节"},
      {{"", "", "", "", "1234567"}, "设备ID 必须8个字节"},
      {{"", "", "", "", "123456789"}, "设备ID 必须8个字节"},
  };
  for (const auto& c : cases) {
    const Result<RtuFrame> w = BuildIdentificationUpdate(1, c.texts);
    EXPECT_FALSE(w.value) << c.refusal;
    EXPECT_EQ(w.Text(), c.refusal);
    EXPECT_EQ(w.notices.front().caption, "格式错误");
  }
  EXPECT_TRUE(BuildIdentificationUpdate(1, {"中文七个字正好", "", "", "", "序列号码"}).value);  // 14 and 8 bytes
}

// --- Lighting -----------------------------------------------------------------------------------

class ZoneTest : public ::testing::Test {
 protected:
  void SetZone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }
  void TearDown() override {
    if (saved_) setenv("TZ", saved_->c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
  std::optional<std::string> saved_ = std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
};

TEST_F(ZoneTest, PickersOpenOnTheCountAsATimeOfDayInEveryZone) {
  for (const char* zone : {"UTC0", "CST-8", "EST5EDT,M3.2.0,M11.1.0"}) {
    SetZone(zone);
    EXPECT_EQ(PickerTimeOfDay(0), (TimeOfDay{0, 0, 0})) << zone;
    EXPECT_EQ(PickerTimeOfDay(66600), (TimeOfDay{18, 30, 0})) << zone;
    EXPECT_EQ(PickerTimeOfDay(86399), (TimeOfDay{23, 59, 59})) << zone;
    EXPECT_EQ(PickerTimeOfDay(86400 + 60), (TimeOfDay{0, 1, 0})) << zone;
  }
}

// --- Network module -----------------------------------------------------------------------------

Bytes SettingsBody(uint8_t unit, uint16_t mode, uint16_t port) {
  Bytes b{unit, 0x03, 0x10};
  PutU16(b, mode);
  PutU16(b, port);
  for (uint8_t octet : {192, 168, 1, 100, 255, 255, 255, 0, 192, 168, 1, 1}) b.push_back(octet);
  return b;
}

TEST(NetworkModule, AnswerCheck) {
  const Bytes ok = Sealed(SettingsBody(1, 2, 502));
  Bytes surplus = ok;
  surplus.push_back(0);
  Bytes badCrc = ok;
  badCrc[20] ^= 1;
  Bytes fewData = {1, 3, 2, 0, 1};  // a byte count that leaves the handler short
  const struct {
    const char* what;
    Bytes bytes;
    int count;
    bool network;
    bool accepted;
    const char* message;
  } cases[] = {
      {"21 bytes, byte count 0x10", ok, 21, false, true, ""},
      {"22 bytes, byte count 0x10", surplus, 22, false, false, "格式不正确"},
      {"other address", Sealed(SettingsBody(2, 1, 502)), 21, false, false, "ModBus地址不匹配"},
      {"wrong CRC", badCrc, 21, false, false, ""},
      {"network, no CRC", SettingsBody(1, 1, 502), 21, true, true, ""},
      {"network, too few data", fewData, 7, true, false, ""},
  };
  for (const auto& c : cases) {
    const Result<NetworkSettings> a = HandleNetworkSettings(c.bytes, c.count, 1, c.network);
    EXPECT_EQ(a.value.has_value(), c.accepted) << c.what;
    EXPECT_EQ(a.Text(), c.message) << c.what;
  }
  const NetworkSettings s = *HandleNetworkSettings(ok, 21, 1, false).value;
  EXPECT_EQ(s.mode, 2);  // any value but 0 is static
  EXPECT_EQ(s.port, 502);
  EXPECT_EQ(DottedAddress(s.ip), "192.168.1.100");
  EXPECT_EQ(DottedAddress(s.mask), "255.255.255.0");
  EXPECT_EQ(DottedAddress(s.gateway), "192.168.1.1");
}

// A read that goes quiet before its whole answer came is given up silently; the bytes of a packet
// that came before the quiet are not unpacked into a message.
TEST_F(ConsoleLinkTest, WirelessReadsThatGoQuietHalfwayEndSilently) {
  const Bytes settings = Packets(Sealed(SettingsBody(1, 1, 502)));
  port.AnswerAfter(150, Bytes(settings.begin(), settings.begin() + 10));
  const Result<NetworkSettings> ip = ReadNetworkSettings(link, LinkMode::kWireless, 1);
  EXPECT_FALSE(ip.value);
  EXPECT_EQ(ip.Text(), "");

  port.AnswerAfter(150, Bytes(settings.begin(), settings.begin() + 7));
  const Result<std::string> mac = ReadMac(link, LinkMode::kWireless, 1);
  EXPECT_FALSE(mac.value);
  EXPECT_EQ(mac.Text(), "");
}

TEST(NetworkModule, WriteChecks) {
  const uint32_t ip = 0xC0A80164, mask = 0xFFFFFF00, gw = 0xC0A80101;
  const struct {
    NetworkSettings s;
    const char* refusal;
  } cases[] = {
      {{1, 0, ip, mask, gw}, "端口号范围 1~65535,请重新输入!"},
      {{1, 65536, ip, mask, gw}, "端口号范围 1~65535,请重新输入!"},
      {{1, 1, ip, mask, gw}, ""},
      {{1, 65535, ip, mask, gw}, ""},
      {{1, 502, ip, mask, 0}, "数据格式错误，不能都为0!"},  // one zero address is enough
      {{0, 502, 0, 0, 0}, ""},  // automatic: sent as they stand
  };
  for (const auto& c : cases) {
    const Result<RtuFrame> w = BuildNetworkWrite(1, c.s);
    EXPECT_EQ(w.Text(), c.refusal) << c.s.port;
    EXPECT_EQ(w.value.has_value(), *c.refusal == '\0');
  }
  const Result<RtuFrame> automatic = BuildNetworkWrite(1, {0, 502, 0, 0, 0});
  ASSERT_EQ(automatic.value->size(), 25u);
  EXPECT_EQ(HexBytes(automatic.value->Bytes().first(23)),
            "01 10 30 10 00 08 10 00 00 01 F6 00 00 00 00 00 00 00 00 00 00 00 00 ");
  const Result<RtuFrame> fixed = BuildNetworkWrite(1, {0x0102, 502, ip, mask, gw});
  EXPECT_EQ(HexBytes(fixed.value->Bytes().subspan(7, 8)), "00 02 01 F6 C0 A8 01 64 ");
}

// --- Wireless addresses and Modbus address --------------------------------------------------

TEST(WirelessSettings, HandlerShowsAddressesAndSwitches) {
  const Bytes body{0x01, 0x03, 0x12, 0x31, 0x32, 0x30, 0x30, 0x31, 0xEE, 0xAB, 0xCD, 0xEF, 0x01, 0x23,
                   0x02, 0x31, 0x32, 0x30, 0x30, 0x38, 0x00};
  const Result<WirelessConfig> a = HandleWirelessConfig(Sealed(body), 23, 1, false);
  ASSERT_TRUE(a.value);
  EXPECT_EQ(*a.value, (WirelessConfig{"3132303031", "abcdef0123", true, "3132303038", false}));
  EXPECT_EQ(HandleWirelessConfig(Sealed(body), 23, 2, false).Text(), "ModBus地址不匹配");
}

TEST(WirelessSettings, ModbusAddressText) {
  for (const char* good : {"1", "247", "007"}) EXPECT_TRUE(ParseModbusAddressText(good)) << good;
  for (const char* bad : {"0", "248", "12a", "1234", "", " 12", "-1"}) EXPECT_FALSE(ParseModbusAddressText(bad)) << bad;
  EXPECT_EQ(ParseModbusAddressText("247"), 247);
}

TEST_F(ConsoleLinkTest, ModbusAddressReadJudgesTheFirstBatchByItsCrc) {
  port.AnswerAfter(150, Sealed({0x01, 0x03, 0x02, 0x01, 0x02}));
  const Result<int> read = ReadModbusAddress(link, LinkMode::kSerial, 1);
  EXPECT_EQ(read.value, 258);
  EXPECT_EQ(ModbusAddressCaption(*read.value), "Modbus地址为：258");
  EXPECT_EQ(clock.NowMs(), 200u);

  const Bytes answer = Sealed({0x01, 0x03, 0x02, 0x00, 0x07});
  port.AnswerAfter(150, Bytes(answer.begin(), answer.end()));
  EXPECT_EQ(ReadModbusAddress(link, LinkMode::kWireless, 1).Text(), "返回数据错误！");
  port.AnswerAfter(150, Bytes(17, 1));
  EXPECT_EQ(ReadModbusAddress(link, LinkMode::kWireless, 1).Text(), "数据个数不能被16整除");
  port.AnswerAfter(150, Packets(answer));
  EXPECT_EQ(ReadModbusAddress(link, LinkMode::kWireless, 1).value, 7);

  socket->Then(NetworkAnswer(0, {0x01, 0x03, 0x02, 0x00, 0xF7}));
  EXPECT_EQ(ReadModbusAddress(link, LinkMode::kNetwork, 1).value, 247);

  // The first batch is half the answer: it fails the CRC and is not waited on.
  port.AnswerAfter(150, Bytes(answer.begin(), answer.begin() + 3));
  port.AnswerAfter(250, Bytes(answer.begin() + 3, answer.end()));
  EXPECT_EQ(ReadModbusAddress(link, LinkMode::kSerial, 1).Text(), "读取数据错误！");
}

TEST_F(ConsoleLinkTest, ModbusAddressWriteOnTheNetworkLooksOnceForItsEcho) {
  const Bytes echo{0x01, 0x06, 0x00, 0x40, 0x00, 0x05};
  socket->Then(NetworkAnswer(0, echo));
  EXPECT_EQ(WriteModbusAddress(link, LinkMode::kNetwork, 1, 5).Text(), "");
  EXPECT_EQ(socket->sent()[0], (Bytes{0, 0, 0, 0, 0, 6, 0x01, 0x06, 0x00, 0x40, 0x00, 0x05}));
  EXPECT_EQ(link.transaction().Current(), 1);
  EXPECT_EQ(socket->receives(), 1);

  EXPECT_EQ(WriteModbusAddress(link, LinkMode::kNetwork, 1, 5).Text(), "");  // no echo: its late one must not match
  EXPECT_EQ(link.transaction().Current(), 2);
  socket->LimitSend(6);
  EXPECT_EQ(WriteModbusAddress(link, LinkMode::kNetwork, 1, 5).Text(), "发送数据失败");

  EXPECT_EQ(WriteModbusAddress(link, LinkMode::kWireless, 1, 5).Text(), "");
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0].size(), 16u);
  EXPECT_EQ(port.writes()[0][15], 8);
}

}  // namespace
}  // namespace kaviro
