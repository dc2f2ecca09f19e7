// The Modbus test console dialog: its controls when it opens, the raw frame console, the input
// prompts, and every read and write of its groups against the simulator in each work mode.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest/QTest>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "app/gui_fixture.h"
#include "app/tool_menu.h"
#include "link/fake_link.h"
#include "res/dialog_builder.h"
#include "res/ip_address_edit.h"
#include "res/modbus_test_dialog_ids.h"
#include "sim/sim_process.h"
#include "tools/console/modbus_test_dialog.h"
#include "tools/tool_fixture.h"

namespace kaviro {
namespace {

QString Text(const QWidget& d, int id) {
  if (auto* edit = res::Control<QLineEdit>(d, id)) return edit->text();
  if (auto* label = res::Control<QLabel>(d, id)) return label->text();
  if (auto* button = res::Control<QPushButton>(d, id)) return button->text();
  if (auto* combo = res::Control<QComboBox>(d, id)) return combo->currentText();
  return QStringLiteral("<no control %1>").arg(id);
}
void SetText(const QWidget& d, int id, const char* text) { res::Control<QLineEdit>(d, id)->setText(QString::fromUtf8(text)); }
void Click(const QWidget& d, int id) { res::Control<QAbstractButton>(d, id)->click(); }
bool Checked(const QWidget& d, int id) { return res::Control<QAbstractButton>(d, id)->isChecked(); }
QString U(const char* text) { return QString::fromUtf8(text); }

class ConsoleDialogTest : public testing::ToolTest {
 protected:
  CModbusTestDlg& Open() {
    dialog = std::make_unique<CModbusTestDlg>(Context());
    return *dialog;
  }
  std::unique_ptr<CModbusTestDlg> dialog;
};

TEST_F(ConsoleDialogTest, OpensWithItsListsHintsAndIdentificationRequest) {
  CModbusTestDlg& d = Open();
  EXPECT_EQ(d.windowTitle(), QStringLiteral("COM_Test"));
  auto* address = res::Control<QComboBox>(d, console_ids::kAddress);
  ASSERT_EQ(address->count(), 247);
  EXPECT_FALSE(address->isEditable());
  EXPECT_EQ(address->itemText(0), QStringLiteral("01"));
  EXPECT_EQ(address->itemText(246), QStringLiteral("F7"));
  auto* function = res::Control<QComboBox>(d, console_ids::kFunction);
  ASSERT_EQ(function->count(), 4);
  EXPECT_EQ(function->itemText(3), QStringLiteral("06"));
  EXPECT_EQ(Text(d, console_ids::kValueHint), U("16进制,将要读取寄存器的个数"));
  EXPECT_EQ(Text(d, console_ids::kStartRegister), QStringLiteral("0001"));
  EXPECT_EQ(Text(d, console_ids::kIdentificationRequest), QStringLiteral("01 2B 0E 01 00 70 77 "));
  EXPECT_EQ(Text(d, console_ids::kListenPort), QStringLiteral("0"));
  EXPECT_FALSE(Checked(d, console_ids::kAutomaticIp) || Checked(d, console_ids::kStaticIp));
  EXPECT_TRUE(res::Control(d, console_ids::kIp)->isEnabled());
  EXPECT_FALSE(res::Control(d, console_ids::kModbusAddressShown)->isEnabled());
  EXPECT_EQ(Text(d, console_ids::kModbusAddressShown), QString());

  function->setCurrentIndex(2);
  EXPECT_EQ(Text(d, console_ids::kValueHint), U("16进制，控制COILS,执行输入FF00,不执行输入0000"));
  address->setCurrentIndex(0x0A - 1);
  EXPECT_EQ(Text(d, console_ids::kIdentificationRequest).left(12), QStringLiteral("0A 2B 0E 01 "));
}

TEST_F(ConsoleDialogTest, ComposeShowsTheCrcAndFrameAndARefusalChangesNothing) {
  CModbusTestDlg& d = Open();
  SetText(d, console_ids::kValue, "0005");
  Click(d, console_ids::kComputeCrc);
  EXPECT_EQ(Text(d, console_ids::kCrc), QStringLiteral("09D4"));
  EXPECT_EQ(Text(d, console_ids::kFrame), QStringLiteral("01 03 00 01 00 05 D4 09 "));
  SetText(d, console_ids::kValue, "");
  Click(d, console_ids::kComputeCrc);
  EXPECT_EQ(prompter.texts, QStringList{U("ModBus值，只能输入4个16进制字符,例如：0005")});
  EXPECT_EQ(Text(d, console_ids::kCrc), QStringLiteral("09D4"));
  EXPECT_EQ(Text(d, console_ids::kFrame), QStringLiteral("01 03 00 01 00 05 D4 09 "));
  EXPECT_TRUE(port.writes().empty());
}

TEST_F(ConsoleDialogTest, APortEditThatIsNoIntegerPromptsFirst) {
  CModbusTestDlg& d = Open();
  SetText(d, console_ids::kListenPort, "50x");
  SetText(d, console_ids::kValue, "0005");
  Click(d, console_ids::kComputeCrc);  // compose goes on
  EXPECT_EQ(Text(d, console_ids::kCrc), QStringLiteral("09D4"));
  Click(d, console_ids::kSetDuskOn);  // so does a lighting write
  ASSERT_EQ(port.writes().size(), 1u);
  Click(d, console_ids::kWriteNetwork);  // the network settings write stops
  EXPECT_EQ(port.writes().size(), 1u);
  const QString prompt = U("请键入一个整数。");
  ASSERT_EQ(prompter.texts.size(), 4);
  EXPECT_EQ(prompter.texts[0], prompt);
  EXPECT_EQ(prompter.texts[1], prompt);
  EXPECT_EQ(prompter.texts[2], QString::fromStdString("01 10 E0 80 00 02 04 ") + prompter.texts[2].mid(21));
  EXPECT_EQ(prompter.texts[3], prompt);
}

// An address field never wraps: an octet over 255 cannot be typed, and one that got there (or an
// empty one beside filled ones) refuses the write; a control left blank is 0.0.0.0.
TEST_F(ConsoleDialogTest, AddressOctetsNeverWrap) {
  CModbusTestDlg& d = Open();
  auto* ip = res::Control<res::IpAddressEdit>(d, console_ids::kIp);
  QLineEdit* first = ip->findChild<QLineEdit*>(QStringLiteral("octet0"));
  ASSERT_NE(first, nullptr);
  QTest::keyClicks(first, QStringLiteral("300"));
  EXPECT_EQ(first->text(), QStringLiteral("30"));

  const struct { const char* octets[4]; std::optional<uint32_t> address; } cases[] = {
      {{"192", "168", "1", "44"}, 0xC0A8012Cu},
      {{"192", "168", "1", "300"}, std::nullopt},
      {{"192", "168", "", "44"}, std::nullopt},
      {{"", "", "", ""}, 0u},
  };
  for (const auto& c : cases) {
    for (int i = 0; i < 4; ++i) ip->SetOctetText(i, QString::fromUtf8(c.octets[i]));
    EXPECT_EQ(ip->Address(), c.address) << c.octets[3];
  }

  SetText(d, console_ids::kListenPort, "502");
  Click(d, console_ids::kStaticIp);
  for (int id : {console_ids::kMask, console_ids::kGateway})
    res::Control<res::IpAddressEdit>(d, id)->SetAddress(0xFFFFFF00u);
  for (int i = 0; i < 4; ++i) ip->SetOctetText(i, QString::fromUtf8(cases[1].octets[i]));
  Click(d, console_ids::kWriteNetwork);
  EXPECT_EQ(prompter.texts, QStringList{U("数据格式错误，不能都为0!")});
  EXPECT_TRUE(port.writes().empty());
}

// Opening and writing back are each other's inverse in every time zone: a stored 18:30:00 opens
// as 18:30:00 and goes back as 66600 when set without retyping.
TEST_F(ConsoleDialogTest, LightingTimesRoundTripInEveryZone) {
  const std::optional<std::string> saved = std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
  Open();
  values.lightOnAtDusk = 66600;
  values.lightOffAtDawn = 23 * 3600 + 59 * 60 + 59;
  for (const char* zone : {"UTC", "Asia/Shanghai", "America/New_York"}) {
    SCOPED_TRACE(zone);
    setenv("TZ", zone, 1);
    tzset();
    CModbusTestDlg d(Context());
    EXPECT_EQ(res::Control<QDateTimeEdit>(d, console_ids::kDuskOnTime)->time(), QTime(18, 30, 0));
    EXPECT_EQ(res::Control<QDateTimeEdit>(d, console_ids::kDawnOffTime)->time(), QTime(23, 59, 59));
    prompter.texts.clear();
    Click(d, console_ids::kSetDuskOn);
    Click(d, console_ids::kSetDawnOff);
    ASSERT_GE(prompter.texts.size(), 2);
    EXPECT_EQ(prompter.texts[0], QStringLiteral("01 10 E0 80 00 02 04 00 01 04 28 61 15 "));
    EXPECT_TRUE(prompter.texts[1].startsWith(QStringLiteral("01 10 E0 86 00 02 04 00 01 51 7F "))) << prompter.texts[1].toStdString();
  }
  if (saved) setenv("TZ", saved->c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

TEST_F(ConsoleDialogTest, RefusedInputShowsItsCaptionAndSendsNothing) {
  CModbusTestDlg& d = Open();
  SetText(d, console_ids::kSerialNumber, "1234567");
  Click(d, console_ids::kUpdateIdentification);
  SetText(d, console_ids::kMac, "024b5652000g");
  Click(d, console_ids::kWriteMac);
  SetText(d, console_ids::kControllerRadio, "3132");
  Click(d, console_ids::kWriteWireless);
  SetText(d, console_ids::kNewModbusAddress, "248");
  Click(d, console_ids::kWriteModbusAddress);
  EXPECT_EQ(prompter.texts, (QStringList{U("设备ID 必须8个字节"), U("MAC地址，请输入12个16进制字符!"),
                                         U("控制器地址，请输入10个16进制字符!"), U("输入数据错误，请重新输入！")}));
  EXPECT_EQ(prompter.captions, (QStringList{U("格式错误"), U("输入格式错误"), QString(), QString()}));
  EXPECT_TRUE(port.writes().empty());
}

}  // namespace
}  // namespace kaviro

// End to end: the console opened from the menu reads and writes the simulated controller.
namespace kaviro {
namespace {

struct ModeCase {
  const char* name;
  int workMode;
  std::vector<std::string> simArgs;
};
void PrintTo(const ModeCase& m, std::ostream* os) { *os << m.name; }

// A user's next click comes after the write's answer is in and, on the network, taken off the
// connection by the window's read notification.
void LetTheWriteSettle() { testing::WaitFor([] { return false; }, 300); }

// The console's preview boxes show frames; anything else is a message.
QStringList Messages(const QStringList& texts) {
  static const QRegularExpression kFrame(QStringLiteral("^([0-9A-F]{2} )+$"));
  QStringList messages;
  for (const QString& t : texts)
    if (!kFrame.match(t).hasMatch()) messages << t;
  return messages;
}

class ConsoleDialogSimTest : public testing::GuiTest, public ::testing::WithParamInterface<ModeCase> {
 protected:
  void TearDown() override {
    GuiTest::TearDown();
    sim.Stop();
  }
  bool network() const { return GetParam().workMode == 1; }
  // The answer box of the raw console after reading `count` registers at `start`.
  QString RawRead(QDialog& d, const char* start, const char* count) {
    SetText(d, console_ids::kStartRegister, start);
    SetText(d, console_ids::kValue, count);
    Click(d, console_ids::kSend);
    return Text(d, console_ids::kAnswer);
  }
  testing::SimProcess sim;
};

TEST_P(ConsoleDialogSimTest, EveryGroupReadsAndWrites) {
  const ModeCase& mode = GetParam();
  std::vector<std::string> args = mode.simArgs;
  const std::string tty = testing::SimProcess::UniquePath("console");
  if (!network()) args.insert(args.begin(), {"--pty", tty});
  ASSERT_TRUE(sim.Start(KAVIRO_SIM_PATH, args)) << sim.output();
  setenv("KAVIRO_COM2", tty.c_str(), 1);
  setenv("KAVIRO_TCP_PORT", std::to_string(sim.tcpPort()).c_str(), 1);
  Start([&](AppConfig& c) {
    c.workMode = mode.workMode;
    c.controllerIp = 0x7F000001;
  });
  RegisterToolDialogs(*frame);
  ASSERT_TRUE(frame->MenuCommand(cmd::kModbusTest)->isEnabled());
  if (network()) {
    frame->MenuCommand(cmd::kNetwork)->trigger();
    ASSERT_TRUE(testing::WaitFor([&] { return frame->link().Connected(); }));
  }
  ASSERT_TRUE(testing::WaitFor([&] { return Value(70) == QStringLiteral("18:30:00"); }, 10000));  // polled
  prompter.texts.clear();

  testing::WhenDialogOpens([&](QDialog& d) {
    EXPECT_EQ(res::Control<QDateTimeEdit>(d, console_ids::kDuskOnTime)->time(),
              QTime(18, 30, 0));  // the polled time, as it is
    // Serial answers are shown with their CRC; network answers are address and PDU.
    SetText(d, console_ids::kValue, "0005");
    Click(d, console_ids::kSend);
    const QRegularExpression raw(network() ? QStringLiteral("^01 03 0A( [0-9A-F]{2}){10} $")
                                           : QStringLiteral("^01 03 0A( [0-9A-F]{2}){12} $"));
    EXPECT_TRUE(raw.match(Text(d, console_ids::kAnswer)).hasMatch()) << Text(d, console_ids::kAnswer).toStdString();

    Click(d, console_ids::kReadIdentification);
    EXPECT_EQ(Text(d, console_ids::kVendorName), QStringLiteral("KAVIRO"));
    EXPECT_EQ(Text(d, console_ids::kSerialNumber), QStringLiteral("24051701"));
    SetText(d, console_ids::kVendorName, "光伏科技");
    SetText(d, console_ids::kProductCode, "");  // not sent, so kept
    SetText(d, console_ids::kSerialNumber, "87654321");
    Click(d, console_ids::kUpdateIdentification);
    EXPECT_TRUE(Text(d, console_ids::kIdentificationAnswer)
                    .startsWith(QStringLiteral("01 2B 0E 02 00 29 00 04 ")));  // K = 4, N = 2 x 5 + 31
    LetTheWriteSettle();
    SetText(d, console_ids::kVendorName, "");
    Click(d, console_ids::kReadIdentification);
    EXPECT_EQ(Text(d, console_ids::kVendorName), U("光伏科技"));
    EXPECT_EQ(Text(d, console_ids::kProductCode), QStringLiteral("KV-MPPT30"));
    EXPECT_EQ(Text(d, console_ids::kSerialNumber), QStringLiteral("87654321"));

    res::Control<QDateTimeEdit>(d, console_ids::kDawnOffTime)->setTime(QTime(19, 45, 10));
    Click(d, console_ids::kSetDawnOff);
    LetTheWriteSettle();
    EXPECT_TRUE(RawRead(d, "E086", "0002").startsWith(QStringLiteral("01 03 04 00 01 15 C6 ")))
        << Text(d, console_ids::kAnswer).toStdString();

    Click(d, console_ids::kReadMac);
    EXPECT_EQ(Text(d, console_ids::kMac), QStringLiteral("024b56520001"));
    SetText(d, console_ids::kMac, "0A0b0C0d0E0f");
    Click(d, console_ids::kWriteMac);
    LetTheWriteSettle();
    SetText(d, console_ids::kMac, "");
    Click(d, console_ids::kReadMac);
    EXPECT_EQ(Text(d, console_ids::kMac), QStringLiteral("0a0b0c0d0e0f"));

    Click(d, console_ids::kReadNetwork);
    EXPECT_TRUE(Checked(d, console_ids::kStaticIp) && !Checked(d, console_ids::kAutomaticIp));
    EXPECT_EQ(Text(d, console_ids::kListenPort), QStringLiteral("502"));
    EXPECT_EQ(res::Control<res::IpAddressEdit>(d, console_ids::kIp)->Address(), 0xC0A80164u);
    Click(d, console_ids::kAutomaticIp);
    SetText(d, console_ids::kListenPort, "8080");
    Click(d, console_ids::kWriteNetwork);
    LetTheWriteSettle();
    SetText(d, console_ids::kListenPort, "0");
    Click(d, console_ids::kReadNetwork);
    EXPECT_TRUE(Checked(d, console_ids::kAutomaticIp) && !res::Control(d, console_ids::kIp)->isEnabled());
    EXPECT_EQ(Text(d, console_ids::kListenPort), QStringLiteral("8080"));

    Click(d, console_ids::kReadWireless);
    EXPECT_EQ(Text(d, console_ids::kControllerRadio), QStringLiteral("3231323031"));
    EXPECT_EQ(Text(d, console_ids::kRdRadio), QStringLiteral("3231323036"));
    SetText(d, console_ids::kControllerRadio, "A1A2A3A4A5");
    SetText(d, console_ids::kRtsRadio, "b1b2b3b4b5");
    res::Control<QCheckBox>(d, console_ids::kRtsRadioOn)->setChecked(false);
    Click(d, console_ids::kWriteWireless);
    LetTheWriteSettle();
    SetText(d, console_ids::kControllerRadio, "");
    Click(d, console_ids::kReadWireless);
    EXPECT_EQ(Text(d, console_ids::kControllerRadio), QStringLiteral("a1a2a3a4a5"));
    EXPECT_EQ(Text(d, console_ids::kRtsRadio), QStringLiteral("b1b2b3b4b5"));
    EXPECT_TRUE(Checked(d, console_ids::kRdRadioOn) && !Checked(d, console_ids::kRtsRadioOn));

    // Last: after a new address the controller answers there only.
    Click(d, console_ids::kReadModbusAddress);
    EXPECT_EQ(Text(d, console_ids::kModbusAddressShown), U("Modbus地址为：1"));
    SetText(d, console_ids::kNewModbusAddress, "5");
    Click(d, console_ids::kWriteModbusAddress);
    LetTheWriteSettle();
    res::Control<QComboBox>(d, console_ids::kAddress)->setCurrentIndex(4);
    Click(d, console_ids::kReadModbusAddress);
    EXPECT_EQ(Text(d, console_ids::kModbusAddressShown), U("Modbus地址为：5"));
    d.reject();
  });
  frame->MenuCommand(cmd::kModbusTest)->trigger();
  EXPECT_EQ(Messages(prompter.texts), QStringList()) << prompter.texts.join('|').toStdString();
  EXPECT_TRUE(frame->poller().Enabled());
}

INSTANTIATE_TEST_SUITE_P(Modes, ConsoleDialogSimTest,
                         ::testing::Values(ModeCase{"serial", 0, {}}, ModeCase{"wireless", 2, {"--wireless"}},
                                           ModeCase{"network", 1, {"--tcp", "0"}}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kaviro
