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
#include "res/relay_dialog_ids.h"
#include "res/threshold_probe_ids.h"
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
constexpr int kSenders[] = {relay_ids::kWriteAddress,       relay_ids::kReadInformation, relay_ids::kFactoryReset,
                            relay_ids::kActiveMode,         relay_ids::kPassiveMode,     relay_ids::kRelay1Off,
                            relay_ids::kRelay1On,           relay_ids::kRelay2Off,       relay_ids::kRelay2On,
                            relay_ids::kRelay3Off,          relay_ids::kRelay3On,        relay_ids::kBuzzerEnabled,
                            relay_ids::kBuzzerDisabled,     relay_ids::kBuzzerQuiet,     relay_ids::kBuzzerSounding,
                            relay_ids::kBatteryCount,       relay_ids::kModbusId,        relay_ids::kSetRelay1Range,
                            relay_ids::kSetRelay2Range,     relay_ids::kSetRelay3Range,  relay_ids::kReadRelay1Range,
                            relay_ids::kReadRelay2Range,    relay_ids::kReadRelay3Range, relay_ids::kReadAlarmVoltage,
                            relay_ids::kReadWarningVoltage, relay_ids::kSetAlarmVoltage, relay_ids::kSetWarningVoltage,
                            relay_ids::kReadIdentification};

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
  EXPECT_EQ(Combo(relay_ids::kBuilderDevice)->count(), 247);
  EXPECT_EQ(Combo(relay_ids::kBuilderDevice)->currentText(), QStringLiteral("3A"));
  EXPECT_EQ(Combo(relay_ids::kBuilderFunction)->currentText(), QStringLiteral("03"));
  EXPECT_EQ(Combo(relay_ids::kPort)->currentText(), QStringLiteral("COM2"));
  EXPECT_EQ(Combo(relay_ids::kBaudRate)->currentText(), QStringLiteral("9600"));
  EXPECT_EQ(Combo(relay_ids::kModbusId)->count(), 247);
  EXPECT_EQ(Combo(relay_ids::kModbusId)->currentIndex(), -1);
  EXPECT_EQ(Combo(relay_ids::kBatteryCount)->itemText(2), QString::fromUtf8("4节48V"));
  EXPECT_EQ(Combo(relay_ids::kBatteryCount)->currentIndex(), -1);
  EXPECT_EQ(Text(relay_ids::kBuilderAddress), QStringLiteral("0020"));
  EXPECT_EQ(Text(relay_ids::kBuilderCountOrData), QStringLiteral("0004"));
  EXPECT_TRUE(W(relay_ids::kReadAddress)->isEnabled());
  EXPECT_TRUE(W(relay_ids::kRelay1Action)->isEnabled());
  for (int id : kSenders) EXPECT_FALSE(W(id)->isEnabled() && W(id)->isVisibleTo(&d)) << id;
  for (int id :
       {relay_ids::kWriteAddress, relay_ids::kPort, relay_ids::kBaudRate, relay_ids::kOpenDevice,
        relay_ids::kRunBuilder, relay_ids::kBuilderDevice, relay_ids::kBuilderFunction, relay_ids::kBuilderAddress,
        relay_ids::kBuilderCountOrData, relay_ids::kBuilderAscii, relay_ids::kBuilderAnswer, relay_ids::kBuilderResult})
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
  for (int id : {relay_ids::kReadAddress, relay_ids::kWirelessAddress, relay_ids::kRelay1Action,
                 relay_ids::kWarningVoltage, relay_ids::kBatteryVoltage})
    EXPECT_FALSE(W(id)->isEnabled()) << id;
  for (int id : kSenders) EXPECT_FALSE(W(id)->isEnabled() && W(id)->isVisibleTo(&d)) << id;
  EXPECT_EQ(Combo(relay_ids::kModbusId)->count(), 0);
  EXPECT_TRUE(socket->sent().empty());
}

INSTANTIATE_TEST_SUITE_P(Relay, RelayDialogClosed,
                         ::testing::Values(ClosedCase{"Serial", 0, 0}, ClosedCase{"Wireless", 2, 0},
                                           ClosedCase{"RdNotConnected", 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RelayDialogTest, AddressThenInformationFillTheControls) {
  CRelayDevDlg& d = Open();
  Answer({0x36, 0x03, 0x06, 0x00, 0x32, 0x31, 0x32, 0x30, 0x41});
  Click(relay_ids::kReadAddress);
  EXPECT_EQ(LastPdu(), (Bytes{0x36, 0x03, 0x10, 0x00, 0x00, 0x03}));
  EXPECT_EQ(Text(relay_ids::kWirelessAddress), QStringLiteral("3231323041"));
  EXPECT_EQ(Text(relay_ids::kBuilderResult), QStringLiteral("SN:3231323041"));
  EXPECT_EQ(Text(relay_ids::kBuilderAnswer), QStringLiteral("36 03 06 00 32 31 32 30 41 "));
  EXPECT_EQ(d.wirelessAddress()[5], 0x41);
  for (int id : {relay_ids::kReadInformation, relay_ids::kFactoryReset, relay_ids::kReadIdentification,
                 relay_ids::kSetRelay1Range, relay_ids::kReadWarningVoltage, relay_ids::kSetWarningVoltage})
    EXPECT_TRUE(W(id)->isEnabled()) << id;
  EXPECT_FALSE(W(relay_ids::kActiveMode)->isEnabled());

  // The information goes to the wireless address's last byte.
  Answer(kInformationExample);
  Click(relay_ids::kReadInformation);
  EXPECT_EQ(LastPdu(), (Bytes{0x41, 0x03, 0x00, 0x20, 0x00, 0x04}));
  EXPECT_EQ(Text(relay_ids::kBuilderResult),
            QString::fromUtf8("SW1工作 SW3工作 SW手动模式 蜂鸣器工作 蜂鸣灭 12.40V 2节24V "));
  EXPECT_TRUE(Checked(relay_ids::kRelay1On));
  EXPECT_TRUE(Checked(relay_ids::kRelay2Off));
  EXPECT_TRUE(Checked(relay_ids::kRelay3On));
  EXPECT_TRUE(Checked(relay_ids::kPassiveMode));
  for (int id : {relay_ids::kRelay1Off, relay_ids::kRelay1On, relay_ids::kRelay2Off, relay_ids::kRelay2On,
                 relay_ids::kRelay3Off, relay_ids::kRelay3On})
    EXPECT_TRUE(W(id)->isEnabled()) << id;
  EXPECT_TRUE(Checked(relay_ids::kBuzzerEnabled));
  EXPECT_TRUE(Checked(relay_ids::kBuzzerQuiet));
  EXPECT_TRUE(W(relay_ids::kBuzzerSounding)->isEnabled());
  EXPECT_EQ(Text(relay_ids::kBatteryVoltage), QStringLiteral("12.400 "));
  EXPECT_EQ(Combo(relay_ids::kModbusId)->currentText(), QStringLiteral("36"));
  EXPECT_EQ(Combo(relay_ids::kBatteryCount)->currentIndex(), 1);
  EXPECT_EQ(res::Control<QLabel>(d, relay_ids::kReadCount)->text(), QStringLiteral("1"));
  EXPECT_EQ(memory.lastRdModbusId, "36");

  // Settings go to the ModbusID now shown. Active mode takes the relays out of the user's hands.
  Answer({0x36, 0x06, 0x20, 0x22, 0x00, 0x00});
  Click(relay_ids::kActiveMode);
  EXPECT_EQ(LastPdu(), (Bytes{0x36, 0x06, 0x20, 0x22, 0x00, 0x00}));
  EXPECT_EQ(Text(relay_ids::kBuilderAddress), QStringLiteral("2022"));
  EXPECT_FALSE(W(relay_ids::kRelay1On)->isEnabled());
  EXPECT_EQ(Text(relay_ids::kBuilderResult), QString::fromUtf8("设置：SW自动模式 "));

  // A new ModbusID goes to the one remembered, which then becomes the new one.
  Answer({0x36, 0x06, 0x20, 0x20, 0x05, 0x02});
  Choose(relay_ids::kModbusId, 4);
  EXPECT_EQ(LastPdu(), (Bytes{0x36, 0x06, 0x20, 0x20, 0x05, 0x02}));
  EXPECT_EQ(memory.lastRdModbusId, "05");
  EXPECT_EQ(Text(relay_ids::kBuilderResult), QString::fromUtf8("设置：电池拨码模式 2节24V "));
  EXPECT_TRUE(prompter.texts.isEmpty()) << prompter.texts.join('|').toStdString();
}

// An exception or short answer is "返回数据错误！" and changes nothing: the remembered wireless
// address keeps its unit, the run mode and the ModbusID stay as they were.
TEST_F(RelayDialogTest, ExceptionAndShortAnswersChangeNothing) {
  CRelayDevDlg& d = Open();
  Answer({0x36, 0x03, 0x06, 0x00, 0x32, 0x31, 0x32, 0x30, 0x41});
  Click(relay_ids::kReadAddress);
  Answer(kInformationExample);
  Click(relay_ids::kReadInformation);
  ASSERT_EQ(Combo(relay_ids::kModbusId)->currentText(), QStringLiteral("36"));
  ASSERT_TRUE(Checked(relay_ids::kPassiveMode));
  const QString dump = Text(relay_ids::kBuilderAnswer), result = Text(relay_ids::kBuilderResult);

  struct Case {
    int button;
    Bytes answer;
  };
  const Case cases[] = {
      {relay_ids::kReadAddress, {0x36, 0x83, 0x02}},                        // exception to the address read
      {relay_ids::kReadInformation, {0x36, 0x83, 0x02}},                    // exception to the information read
      {relay_ids::kReadInformation, {0x36, 0x03, 0x08, 0x05, 0x01, 0x00}},  // the information cut short
      {relay_ids::kReadInformation, {0x36, 0x04, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0}},  // another function's answer
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    prompter.texts.clear();
    Answer(c.answer);
    Click(c.button);
    EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8("返回数据错误！")});
    EXPECT_EQ(d.wirelessAddress()[5], 0x41);
    EXPECT_EQ(Text(relay_ids::kWirelessAddress), QStringLiteral("3231323041"));
    EXPECT_TRUE(Checked(relay_ids::kPassiveMode));
    EXPECT_FALSE(Checked(relay_ids::kActiveMode));
    EXPECT_EQ(Combo(relay_ids::kModbusId)->currentText(), QStringLiteral("36"));
    EXPECT_EQ(memory.lastRdModbusId, "36");
    EXPECT_EQ(Text(relay_ids::kBuilderAnswer), dump);
    EXPECT_EQ(Text(relay_ids::kBuilderResult), result);
  }
  // The next setting still goes to the RD's own address, not to unit 0.
  Answer({0x36, 0x06, 0x40, 0x00, 0x00, 0x01});
  Click(relay_ids::kFactoryReset);
  EXPECT_EQ(LastPdu(), (Bytes{0x36, 0x06, 0x40, 0x00, 0x00, 0x01}));
}

// Thresholds out of range or not numbers are refused with nothing sent.
TEST_F(RelayDialogTest, ThresholdsAreCheckedBeforeSending) {
  Open();
  Answer({0x36, 0x03, 0x06, 0x00, 0x32, 0x31, 0x32, 0x30, 0x36});
  Click(relay_ids::kReadAddress);
  const size_t sent = socket->sent().size();
  const std::pair<int, std::pair<int, const char*>> cases[] = {
      {relay_ids::kSetRelay1Range, {relay_ids::kRelay1Action, "300"}},
      {relay_ids::kSetRelay1Range, {relay_ids::kRelay1Action, "abc"}},
      {relay_ids::kSetAlarmVoltage, {relay_ids::kAlarmVoltage, "70"}},
      {relay_ids::kSetWarningVoltage, {relay_ids::kWarningVoltage, ""}}};
  for (const auto& [button, edit] : cases) {
    prompter.texts.clear();
    res::Control<QLineEdit>(*dialog, relay_ids::kRelay1Restore)->setText(QStringLiteral("1.5"));
    res::Control<QLineEdit>(*dialog, edit.first)->setText(QString::fromUtf8(edit.second));
    Click(button);
    EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8(kRdBadInputText)}) << edit.second;
  }
  EXPECT_EQ(socket->sent().size(), sent);
}

TEST_F(RelayDialogTest, FailedRequestsStillOpenTheNextControls) {
  CRelayDevDlg& d = Open();
  Click(relay_ids::kReadAddress);
  EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8("返回数据错误！")});
  EXPECT_TRUE(W(relay_ids::kReadInformation)->isEnabled());
  EXPECT_EQ(Text(relay_ids::kWirelessAddress), QString());

  // Before any information was decoded the RD's address is unknown: the ModbusID change is
  // refused rather than sent to unit 0, the broadcast address.
  Click(relay_ids::kReadInformation);
  EXPECT_TRUE(W(relay_ids::kModbusId)->isEnabled());
  EXPECT_EQ(res::Control<QLabel>(d, relay_ids::kReadCount)->text(), QString());
  const size_t sent = socket->sent().size();
  Choose(relay_ids::kModbusId, 4);
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
    ClickIn(d, relay_ids::kReadAddress);
    seen.address = EditText(d, relay_ids::kWirelessAddress);
    ClickIn(d, relay_ids::kReadInformation);
    seen.information = EditText(d, relay_ids::kBuilderResult);
    ClickIn(d, relay_ids::kPassiveMode);  // passive: the relays are switched by hand
    ClickIn(d, relay_ids::kRelay1Off);
    seen.relayOff = EditText(d, relay_ids::kBuilderResult);
    ClickIn(d, relay_ids::kReadInformation);
    seen.relayOn = res::Control<QAbstractButton>(d, relay_ids::kRelay1On)->isChecked();
    SetEdit(d, relay_ids::kRelay1Action, "11");
    SetEdit(d, relay_ids::kRelay1Restore, "0.5");
    ClickIn(d, relay_ids::kSetRelay1Range);
    seen.rangeSet = EditText(d, relay_ids::kBuilderResult);
    SetEdit(d, relay_ids::kRelay1Action, "");
    SetEdit(d, relay_ids::kRelay1Restore, "");
    ClickIn(d, relay_ids::kReadRelay1Range);
    seen.rangeAction = EditText(d, relay_ids::kRelay1Action);
    seen.rangeOffset = EditText(d, relay_ids::kRelay1Restore);
    SetEdit(d, relay_ids::kAlarmVoltage, "11.8");
    ClickIn(d, relay_ids::kSetAlarmVoltage);
    seen.alarmSet = EditText(d, relay_ids::kBuilderResult);
    SetEdit(d, relay_ids::kAlarmVoltage, "");
    ClickIn(d, relay_ids::kReadAlarmVoltage);
    seen.alarm = EditText(d, relay_ids::kAlarmVoltage);
    ClickIn(d, relay_ids::kReadIdentification);
    seen.vendor = EditText(d, relay_ids::kVendorName);
    seen.serial = EditText(d, relay_ids::kSerialNumber);
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
    ClickIn(d, probe_ids::kProbe);
    sent = EditText(d, probe_ids::kSent);
    first = res::Control<QLabel>(d, probe_ids::kLowAlarmShown)->text();
    second = res::Control<QLabel>(d, probe_ids::kHighAlarmShown)->text();
    received = EditText(d, probe_ids::kReceived);
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
