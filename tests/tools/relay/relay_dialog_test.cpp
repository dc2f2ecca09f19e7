// The RD settings dialog and the threshold probe dialog: their controls, the progressive
// enabling, the decoded answers in the controls; then both from the menu against kaviro-sim.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/gui_fixture.h"
#include "app/tool_menu.h"
#include "link/fake_link.h"
#include "res/dialog_builder.h"
#include "sim/sim_process.h"
#include "tools/relay/rd_answers.h"
#include "tools/relay/rd_buttons.h"
#include "tools/relay/relay_dev_dialog.h"
#include "tools/tool_fixture.h"

namespace kaviro {
namespace {

using kaviro::testing::Bytes;
using kaviro::testing::RdAnswer;

// Relays 1 and 3 on, passive mode, buzzer enabled and quiet, 12.400 V, ModbusID 0x36, two batteries.
const Bytes kInformationExample = {0x36, 0x03, 0x08, 0x05, 0x01, 0x00, 0x00, 0x30, 0x70, 0x36, 0x02};

// Every control that can send a request, besides the address read.
constexpr int kSenders[] = {1465, 1021, 1471, 1472, 1473, 1474, 1036, 1037, 1038, 1039, 1040, 1041, 1042,
                            1043, 1044, 1475, 1489, 1480, 1481, 1482, 1484, 1485, 1486, 1487, 1488, 1131, 1132, 1018};

class RelayDialogTest : public kaviro::testing::ToolTest {
 protected:
  CRelayDevDlg& Open(int workMode = 1, int16_t rdLinkSetting = 0) {
    Configure([&](AppConfig& c) { c.workMode = workMode; });
    values.rdLinkSetting = rdLinkSetting;
    link.SetConnection(socket);
    link.SetConnected(true);
    dialog = std::make_unique<CRelayDevDlg>(Context(), memory);
    return *dialog;
  }
  void Answer(const Bytes& pdu) { socket->Then(RdAnswer(link.transaction().Current(), pdu)); }
  // What the last request carried behind its transaction id and header.
  Bytes LastPdu() const {
    if (socket->sent().empty()) return {};
    const Bytes& last = socket->sent().back();
    return {last.begin() + 6, last.end()};
  }
  QWidget* W(int id) const { return res::Control(*dialog, id); }
  bool Checked(int id) const { return res::Control<QAbstractButton>(*dialog, id)->isChecked(); }
  QString Text(int id) const { return res::Control<QLineEdit>(*dialog, id)->text(); }
  QComboBox* Combo(int id) const { return res::Control<QComboBox>(*dialog, id); }
  void Click(int id) { res::Control<QAbstractButton>(*dialog, id)->click(); }
  void Choose(int id, int index) {
    Combo(id)->setCurrentIndex(index);
    emit Combo(id)->activated(index);
  }

  std::shared_ptr<kaviro::testing::ScriptedSocket> socket = std::make_shared<kaviro::testing::ScriptedSocket>();
  RelayMemory memory;
  std::unique_ptr<CRelayDevDlg> dialog;
};

TEST_F(RelayDialogTest, OpensWithOnlyTheAddressReadAbleToSend) {
  CRelayDevDlg& d = Open();
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Dialog"));
  EXPECT_EQ(Combo(1469)->count(), 247);
  EXPECT_EQ(Combo(1469)->currentText(), QStringLiteral("3A"));
  EXPECT_EQ(Combo(1470)->currentText(), QStringLiteral("03"));
  EXPECT_EQ(Combo(1466)->currentText(), QStringLiteral("COM2"));
  EXPECT_EQ(Combo(1467)->currentText(), QStringLiteral("9600"));
  EXPECT_EQ(Combo(1489)->count(), 247);
  EXPECT_EQ(Combo(1489)->currentIndex(), -1);
  EXPECT_EQ(Combo(1475)->itemText(2), QString::fromUtf8("4节48V"));
  EXPECT_EQ(Combo(1475)->currentIndex(), -1);
  EXPECT_EQ(Text(1476), QStringLiteral("0020"));
  EXPECT_EQ(Text(1477), QStringLiteral("0004"));
  EXPECT_TRUE(W(1464)->isEnabled());
  EXPECT_TRUE(W(1009)->isEnabled());
  for (int id : kSenders) EXPECT_FALSE(W(id)->isEnabled() && W(id)->isVisibleTo(&d)) << id;
  for (int id : {1465, 1466, 1467, 1468, 1020, 1469, 1470, 1476, 1477, 1478, 1007, 1479})
    EXPECT_FALSE(W(id)->isVisibleTo(&d)) << id;
}

struct ClosedCase {
  const char* name;
  int workMode;
  int16_t rdLinkSetting;
};
void PrintTo(const ClosedCase& c, std::ostream* os) { *os << c.name; }

class RelayDialogClosed : public RelayDialogTest, public ::testing::WithParamInterface<ClosedCase> {};

TEST_P(RelayDialogClosed, NothingCanSend) {
  CRelayDevDlg& d = Open(GetParam().workMode, GetParam().rdLinkSetting);
  for (int id : {1464, 1463, 1009, 1016, 1483}) EXPECT_FALSE(W(id)->isEnabled()) << id;
  for (int id : kSenders) EXPECT_FALSE(W(id)->isEnabled() && W(id)->isVisibleTo(&d)) << id;
  EXPECT_EQ(Combo(1489)->count(), 0);
  EXPECT_TRUE(socket->sent().empty());
}

INSTANTIATE_TEST_SUITE_P(Relay, RelayDialogClosed,
                         ::testing::Values(ClosedCase{"Serial", 0, 0}, ClosedCase{"Wireless", 2, 0},
                                           ClosedCase{"RdNotConnected", 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RelayDialogTest, AddressThenInformationFillTheControls) {
  CRelayDevDlg& d = Open();
  Answer({0x36, 0x03, 0x06, 0x00, 0x32, 0x31, 0x32, 0x30, 0x41});
  Click(1464);
  EXPECT_EQ(LastPdu(), (Bytes{0x36, 0x03, 0x10, 0x00, 0x00, 0x03}));
  EXPECT_EQ(Text(1463), QStringLiteral("3231323041"));
  EXPECT_EQ(Text(1479), QStringLiteral("SN:3231323041"));
  EXPECT_EQ(Text(1007), QStringLiteral("36 03 06 00 32 31 32 30 41 "));
  EXPECT_EQ(d.wirelessAddress()[5], 0x41);
  for (int id : {1021, 1471, 1018, 1480, 1488, 1132}) EXPECT_TRUE(W(id)->isEnabled()) << id;
  EXPECT_FALSE(W(1472)->isEnabled());

  // The information goes to the wireless address's last byte.
  Answer(kInformationExample);
  Click(1021);
  EXPECT_EQ(LastPdu(), (Bytes{0x41, 0x03, 0x00, 0x20, 0x00, 0x04}));
  EXPECT_EQ(Text(1479), QString::fromUtf8("SW1工作 SW3工作 SW手动模式 蜂鸣器工作 蜂鸣灭 12.40V 2节24V "));
  EXPECT_TRUE(Checked(1036));
  EXPECT_TRUE(Checked(1037));
  EXPECT_TRUE(Checked(1040));
  EXPECT_TRUE(Checked(1473));
  for (int id : {1474, 1036, 1037, 1038, 1039, 1040}) EXPECT_TRUE(W(id)->isEnabled()) << id;
  EXPECT_TRUE(Checked(1041));
  EXPECT_TRUE(Checked(1043));
  EXPECT_TRUE(W(1044)->isEnabled());
  EXPECT_EQ(Text(1483), QStringLiteral("12.400 "));
  EXPECT_EQ(Combo(1489)->currentText(), QStringLiteral("36"));
  EXPECT_EQ(Combo(1475)->currentIndex(), 1);
  EXPECT_EQ(res::Control<QLabel>(d, 1490)->text(), QStringLiteral("1"));
  EXPECT_EQ(memory.lastRdModbusId, "36");

  // Settings go to the ModbusID now shown. Active mode takes the relays out of the user's hands.
  Answer({0x36, 0x06, 0x20, 0x22, 0x00, 0x00});
  Click(1472);
  EXPECT_EQ(LastPdu(), (Bytes{0x36, 0x06, 0x20, 0x22, 0x00, 0x00}));
  EXPECT_EQ(Text(1476), QStringLiteral("2022"));
  EXPECT_FALSE(W(1036)->isEnabled());
  EXPECT_EQ(Text(1479), QString::fromUtf8("设置：SW自动模式 "));

  // A new ModbusID goes to the one remembered, which then becomes the new one.
  Answer({0x36, 0x06, 0x20, 0x20, 0x05, 0x02});
  Choose(1489, 4);
  EXPECT_EQ(LastPdu(), (Bytes{0x36, 0x06, 0x20, 0x20, 0x05, 0x02}));
  EXPECT_EQ(memory.lastRdModbusId, "05");
  EXPECT_EQ(Text(1479), QString::fromUtf8("设置：电池拨码模式 2节24V "));
  EXPECT_TRUE(prompter.texts.isEmpty()) << prompter.texts.join('|').toStdString();
}

// An exception or short answer is "返回数据错误！" and changes nothing: the remembered wireless
// address keeps its unit, the run mode and the ModbusID stay as they were.
TEST_F(RelayDialogTest, ExceptionAndShortAnswersChangeNothing) {
  CRelayDevDlg& d = Open();
  Answer({0x36, 0x03, 0x06, 0x00, 0x32, 0x31, 0x32, 0x30, 0x41});
  Click(1464);
  Answer(kInformationExample);
  Click(1021);
  ASSERT_EQ(Combo(1489)->currentText(), QStringLiteral("36"));
  ASSERT_TRUE(Checked(1473));
  const QString dump = Text(1007), result = Text(1479);

  struct Case {
    int button;
    Bytes answer;
  };
  const Case cases[] = {
      {1464, {0x36, 0x83, 0x02}},                    // exception to the address read
      {1021, {0x36, 0x83, 0x02}},                    // exception to the information read
      {1021, {0x36, 0x03, 0x08, 0x05, 0x01, 0x00}},  // the information cut short
      {1021, {0x36, 0x04, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0}},  // another function's answer
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    prompter.texts.clear();
    Answer(c.answer);
    Click(c.button);
    EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8("返回数据错误！")});
    EXPECT_EQ(d.wirelessAddress()[5], 0x41);
    EXPECT_EQ(Text(1463), QStringLiteral("3231323041"));
    EXPECT_TRUE(Checked(1473));
    EXPECT_FALSE(Checked(1472));
    EXPECT_EQ(Combo(1489)->currentText(), QStringLiteral("36"));
    EXPECT_EQ(memory.lastRdModbusId, "36");
    EXPECT_EQ(Text(1007), dump);
    EXPECT_EQ(Text(1479), result);
  }
  // The next setting still goes to the RD's own address, not to unit 0.
  Answer({0x36, 0x06, 0x40, 0x00, 0x00, 0x01});
  Click(1471);
  EXPECT_EQ(LastPdu(), (Bytes{0x36, 0x06, 0x40, 0x00, 0x00, 0x01}));
}

// Thresholds out of range or not numbers are refused with nothing sent.
TEST_F(RelayDialogTest, ThresholdsAreCheckedBeforeSending) {
  Open();
  Answer({0x36, 0x03, 0x06, 0x00, 0x32, 0x31, 0x32, 0x30, 0x36});
  Click(1464);
  const size_t sent = socket->sent().size();
  const std::pair<int, std::pair<int, const char*>> cases[] = {
      {1480, {1009, "300"}}, {1480, {1009, "abc"}}, {1131, {1015, "70"}}, {1132, {1016, ""}}};
  for (const auto& [button, edit] : cases) {
    prompter.texts.clear();
    res::Control<QLineEdit>(*dialog, 1010)->setText(QStringLiteral("1.5"));
    res::Control<QLineEdit>(*dialog, edit.first)->setText(QString::fromUtf8(edit.second));
    Click(button);
    EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8(kRdBadInputText)}) << edit.second;
  }
  EXPECT_EQ(socket->sent().size(), sent);
}

TEST_F(RelayDialogTest, FailedRequestsStillOpenTheNextControls) {
  CRelayDevDlg& d = Open();
  Click(1464);
  EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8("返回数据错误！")});
  EXPECT_TRUE(W(1021)->isEnabled());
  EXPECT_EQ(Text(1463), QString());

  // Before any information was decoded the RD's address is unknown: the ModbusID change is
  // refused rather than sent to unit 0, the broadcast address.
  Click(1021);
  EXPECT_TRUE(W(1489)->isEnabled());
  EXPECT_EQ(res::Control<QLabel>(d, 1490)->text(), QString());
  const size_t sent = socket->sent().size();
  Choose(1489, 4);
  EXPECT_EQ(socket->sent().size(), sent);
  EXPECT_EQ(memory.lastRdModbusId, "");
  ASSERT_EQ(prompter.texts.size(), 3);
  EXPECT_EQ(prompter.texts[2], QString::fromUtf8(kRdModbusIdUnknownText));
}

}  // namespace
}  // namespace kaviro

// End to end: both dialogs opened from the menu against the simulated controller and its RD.
namespace kaviro {
namespace {

class RelaySimTest : public kaviro::testing::GuiTest {
 protected:
  void TearDown() override {
    GuiTest::TearDown();
    sim.Stop();
  }
  kaviro::testing::SimProcess sim;
};

QString EditText(QDialog& d, int id) { return res::Control<QLineEdit>(d, id)->text(); }
void SetEdit(QDialog& d, int id, const char* text) { res::Control<QLineEdit>(d, id)->setText(QString::fromUtf8(text)); }
void ClickIn(QDialog& d, int id) { res::Control<QAbstractButton>(d, id)->click(); }

TEST_F(RelaySimTest, RdSettingsOverTheNetwork) {
  ASSERT_TRUE(sim.Start(KAVIRO_SIM_PATH, {"--tcp", "0"})) << sim.output();
  setenv("KAVIRO_TCP_PORT", std::to_string(sim.tcpPort()).c_str(), 1);
  Start([](AppConfig& c) {
    c.workMode = 1;
    c.controllerIp = 0x7F000001;
  });
  RegisterToolDialogs(*frame);
  EXPECT_TRUE(frame->MenuCommand(cmd::kRelay)->isEnabled());
  frame->MenuCommand(cmd::kNetwork)->trigger();
  ASSERT_TRUE(kaviro::testing::WaitFor([&] { return frame->link().Connected(); }));
  prompter.texts.clear();

  struct Seen {
    QString address, information, relayOff, rangeSet, rangeAction, rangeOffset, alarmSet, alarm, vendor, serial;
    bool relayOn = true;
  } seen;
  kaviro::testing::WhenDialogOpens([&](QDialog& d) {
    ClickIn(d, 1464);
    seen.address = EditText(d, 1463);
    ClickIn(d, 1021);
    seen.information = EditText(d, 1479);
    ClickIn(d, 1473);  // passive: the relays are switched by hand
    ClickIn(d, 1474);
    seen.relayOff = EditText(d, 1479);
    ClickIn(d, 1021);
    seen.relayOn = res::Control<QAbstractButton>(d, 1036)->isChecked();
    SetEdit(d, 1009, "11");
    SetEdit(d, 1010, "0.5");
    ClickIn(d, 1480);
    seen.rangeSet = EditText(d, 1479);
    SetEdit(d, 1009, "");
    SetEdit(d, 1010, "");
    ClickIn(d, 1484);
    seen.rangeAction = EditText(d, 1009);
    seen.rangeOffset = EditText(d, 1010);
    SetEdit(d, 1015, "11.8");
    ClickIn(d, 1131);
    seen.alarmSet = EditText(d, 1479);
    SetEdit(d, 1015, "");
    ClickIn(d, 1487);
    seen.alarm = EditText(d, 1015);
    ClickIn(d, 1018);
    seen.vendor = EditText(d, 1002);
    seen.serial = EditText(d, 1008);
    d.accept();
  });
  frame->MenuCommand(cmd::kRelay)->trigger();

  EXPECT_TRUE(prompter.texts.isEmpty()) << prompter.texts.join('|').toStdString();
  EXPECT_EQ(seen.address, QStringLiteral("3231323036"));
  EXPECT_TRUE(seen.information.startsWith(QString::fromUtf8("SW1工作 SW2工作 SW3工作 SW自动模式 蜂鸣器工作 蜂鸣灭 ")))
      << seen.information.toStdString();
  EXPECT_TRUE(seen.information.endsWith(QString::fromUtf8("V 1节12V "))) << seen.information.toStdString();
  EXPECT_EQ(seen.relayOff, QString::fromUtf8("SW1关闭 "));
  EXPECT_FALSE(seen.relayOn);
  EXPECT_EQ(seen.rangeSet, QString::fromUtf8("设置：11.0V =< Vsw1  =< 11.5V "));
  EXPECT_EQ(seen.rangeAction, QStringLiteral("11"));
  EXPECT_EQ(seen.rangeOffset, QStringLiteral("0.5"));
  EXPECT_EQ(seen.alarmSet, QString::fromUtf8("设置：最小报警x1 11.80V "));
  EXPECT_EQ(seen.alarm, QStringLiteral("11.80"));
  EXPECT_EQ(seen.vendor, QStringLiteral("KAVIRO"));
  EXPECT_EQ(seen.serial, QStringLiteral("21206001"));
  EXPECT_TRUE(frame->poller().Enabled());
}

TEST_F(RelaySimTest, ProbeOverTheSerialPort) {
  const std::string tty = kaviro::testing::SimProcess::UniquePath("probe");
  ASSERT_TRUE(sim.Start(KAVIRO_SIM_PATH, {"--pty", tty})) << sim.output();
  setenv("KAVIRO_COM2", tty.c_str(), 1);
  Start([](AppConfig& c) { c.workMode = 0; });
  RegisterToolDialogs(*frame);
  ASSERT_TRUE(kaviro::testing::WaitFor([&] { return frame->link().SerialOpen(); }));

  QString sent, first, second, received;
  kaviro::testing::WhenDialogOpens([&](QDialog& d) {
    ClickIn(d, 1494);
    sent = EditText(d, 1015);
    first = res::Control<QLabel>(d, 1492)->text();
    second = res::Control<QLabel>(d, 1493)->text();
    received = EditText(d, 1016);
    d.accept();
  });
  frame->MenuCommand(cmd::kThresholdProbe)->trigger();
  EXPECT_EQ(sent, QStringLiteral("01 03 20 33 00 02 3F C4 00 00 00 00 00 00 00 00 "));
  EXPECT_EQ(first, QStringLiteral("12.0 "));
  EXPECT_EQ(second, QStringLiteral("12.50 "));
  EXPECT_EQ(received.size(), 16 * 3);
  EXPECT_TRUE(received.endsWith(QStringLiteral("00 00 00 00 00 00 00 ")));
  EXPECT_TRUE(prompter.texts.isEmpty()) << prompter.texts.join('|').toStdString();
}

}  // namespace
}  // namespace kaviro
