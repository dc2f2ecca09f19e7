// The parameter settings dialog: what it shows on opening, its rows' buttons, and the whole
// dialog against the simulator in every work mode.
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>

#include "app/gui_fixture.h"
#include "app/tool_menu.h"
#include "link/fake_link.h"
#include "link/link_texts.h"
#include "res/dialog_builder.h"
#include "res/param_dialog_ids.h"
#include "res/templates.h"
#include "sim/sim_process.h"
#include "tools/controller/param_set_dialog.h"
#include "tools/controller/param_settings.h"
#include "tools/tool_fixture.h"

namespace kaviro {
namespace {

using kaviro::testing::Bytes;

Bytes ReadAnswer(std::vector<uint16_t> words, uint8_t function = fn::kReadInput) {
  std::vector<uint8_t> body{1, function, static_cast<uint8_t>(2 * words.size())};
  for (uint16_t w : words) PutU16(body, w);
  const RtuFrame f = RtuFrame::Seal(body);
  return {f.Bytes().begin(), f.Bytes().end()};
}

QString Text(QWidget& dialog, int id) { return res::Control<QLineEdit>(dialog, id)->text(); }
void Type(QWidget& dialog, int id, const char* text) { res::Control<QLineEdit>(dialog, id)->setText(QString::fromUtf8(text)); }
void Click(QWidget& dialog, int id) { res::Control<QPushButton>(dialog, id)->click(); }
QDateTime Clock(QWidget& dialog) {
  return QDateTime(res::Control<QDateTimeEdit>(dialog, param_ids::kClockDate)->date(),
                   res::Control<QDateTimeEdit>(dialog, param_ids::kClockTime)->time());
}

class ParamDialogTest : public kaviro::testing::ToolTest {
 protected:
  CParamSetDlg& Open(const std::function<void(AppConfig&)>& edit = {}) {
    if (edit) Configure(edit);
    dialog = std::make_unique<CParamSetDlg>(Context());
    return *dialog;
  }
  std::unique_ptr<CParamSetDlg> dialog;
};

TEST_F(ParamDialogTest, OpeningHidesFiveRowsShowsTheCacheAndReadsTheClock) {
  CParamSetDlg& d = Open();
  DecodedValues& v = values;
  v.loadHighVoltageDisconnect = 16.0f;
  v.lowVoltageAlarmDelay = 35;
  v.minimumTemperatureCompensation = -20;
  v.loadOverloadDelay = 0;
  v.lightingControlMode = 0;
  v.cellCountConflictHandling = 1;
  v.loadRatedCurrent = 30.0f;
  port.AnswerAfter(50, ReadAnswer({0x0000, 0x0064}, fn::kReadHolding));
  d.show();

  EXPECT_EQ(d.windowTitle(), QString::fromUtf8("参数设置"));
  EXPECT_EQ(port.writes().size(), 1u);  // the clock, nothing else
  EXPECT_EQ(Clock(d), QDateTime(QDate(2000, 1, 1), QTime(0, 1, 40)));
  EXPECT_EQ(Text(d, param_ids::kLoadHvdDisplay), QStringLiteral("16.00"));
  EXPECT_EQ(Text(d, param_ids::kLvdAlarmDelayDisplay), QStringLiteral("3.5"));
  EXPECT_EQ(Text(d, param_ids::kTempCompMinDisplay), QStringLiteral("-20"));
  EXPECT_EQ(Text(d, param_ids::kOverloadDelayDisplay), QString());  // "%.d" of 0
  EXPECT_EQ(Text(d, param_ids::kLightingModeDisplay), QString::fromUtf8("定时"));
  EXPECT_EQ(Text(d, param_ids::kCellConflictDisplay), QStringLiteral("1"));
  EXPECT_EQ(Text(d, param_ids::kLoadRatedCurrentDisplay), QStringLiteral("30.00"));  // hidden, but filled
  EXPECT_TRUE(prompter.texts.isEmpty()) << prompter.texts.join('|').toStdString();

  int hidden = 0;
  for (QWidget* w : d.findChildren<QWidget*>())
    if (!w->objectName().isEmpty() && !w->isVisibleTo(&d)) ++hidden;
  EXPECT_EQ(hidden, 45);
  for (int id : {param_ids::kBatteryMinSetTo, param_ids::kBatteryMinCaption, param_ids::kBatteryMinRead,
                 param_ids::kBatteryMinDisplay, param_ids::kBatteryMinInput, param_ids::kBatteryMinSet,
                 param_ids::kFloatEntryCurrentDisplay, param_ids::kOverloadDelayRead, param_ids::kOverloadDelaySet,
                 param_ids::kOverloadDelayRange})
    EXPECT_FALSE(res::Control(d, id)->isVisibleTo(&d)) << id;
  for (int id : {param_ids::kLoadHvdRead, param_ids::kLoadHvdDisplay, param_ids::kLoadHvdInput, param_ids::kLoadHvdSet,
                 param_ids::kClockDate, param_ids::kClockRead, param_ids::kClockSet, param_ids::kCellConflictRead})
    EXPECT_TRUE(res::Control(d, id)->isVisibleTo(&d)) << id;
}

TEST_F(ParamDialogTest, WithoutTheLinkOpeningSaysSoAndSendsNothing) {
  CParamSetDlg& serial = Open();
  port.SetOpen(false);
  values.loadHighVoltageDisconnect = 16.0f;
  serial.show();
  EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8(text::kPortBusy)});
  EXPECT_TRUE(Text(serial, param_ids::kLoadHvdDisplay).isEmpty());
  EXPECT_TRUE(port.writes().empty());

  prompter.texts.clear();
  dialog.reset();
  CParamSetDlg& network = Open([](AppConfig& c) { c.workMode = 1; });
  network.show();
  EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8(text::kNotConnected)});
}

TEST_F(ParamDialogTest, RowButtonsReadIntoTheCacheAndWriteTheInput) {
  CParamSetDlg& d = Open();
  port.AnswerAfter(50, ReadAnswer({1450}));
  Click(d, param_ids::kLoadHvdRead);
  EXPECT_EQ(Text(d, param_ids::kLoadHvdDisplay), QStringLiteral("14.50"));
  EXPECT_EQ(values.loadHighVoltageDisconnect, 14.5f);

  Type(d, param_ids::kLoadHvdInput, "12.5");
  Click(d, param_ids::kLoadHvdSet);
  const Bytes write = {1, 6, 0xE0, 0x0E, 0x05, 0x14, 0xDC, 0x96};
  port.AnswerAfter(50, write);
  Type(d, param_ids::kLoadHvdInput, "13");
  Click(d, param_ids::kLoadHvdSet);
  EXPECT_EQ(prompter.texts, (QStringList{QString::fromUtf8(kBadInputText), QString::fromUtf8(text::kSetOk)}));
  EXPECT_EQ(port.writes().back(), write);
  EXPECT_EQ(Text(d, param_ids::kLoadHvdDisplay), QStringLiteral("14.50"));  // a write changes neither display nor cache
  EXPECT_EQ(values.loadHighVoltageDisconnect, 14.5f);
}

TEST_F(ParamDialogTest, OnlyTheNetworkSendFailureIsTheApplicationsMessage) {
  CParamSetDlg& d = Open([](AppConfig& c) { c.workMode = 1; });
  auto socket = std::make_shared<kaviro::testing::ScriptedSocket>();
  link.SetConnection(socket);
  link.SetConnected(true);
  socket->LimitSend(3);
  Click(d, param_ids::kLoadHvdRead);
  socket->LimitSend(-1);
  Click(d, param_ids::kLoadHvdRead);
  EXPECT_EQ(prompter.texts, (QStringList{QString::fromUtf8(text::kSendFailed), QString::fromUtf8(kReadFailedText)}));
  EXPECT_EQ(prompter.owners, (QList<QWidget*>{&window, &d}));
}

TEST_F(ParamDialogTest, ClockButtonsSendThePickedLocalTime) {
  CParamSetDlg& d = Open();
  res::Control<QDateTimeEdit>(d, param_ids::kClockDate)->setDate(QDate(1999, 12, 31));
  res::Control<QDateTimeEdit>(d, param_ids::kClockTime)->setTime(QTime(23, 59, 0));
  const uint8_t confirmation[] = {1, fn::kWriteMultiple, 0x00, 0x3E, 0x00, 0x02};
  const RtuFrame confirm = RtuFrame::Seal(confirmation);
  port.AnswerAfter(50, Bytes(confirm.Bytes().begin(), confirm.Bytes().end()));
  Click(d, param_ids::kClockSet);
  const RtuFrame sent = ClockWriteRequest(1, -60);
  EXPECT_EQ(port.writes().back(), Bytes(sent.Bytes().begin(), sent.Bytes().end()));
  EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8(text::kSetOk)});

  port.AnswerAfter(50, ReadAnswer({0x0000, 0x0E10}, fn::kReadHolding));
  Click(d, param_ids::kClockRead);
  EXPECT_EQ(Clock(d), QDateTime(QDate(2000, 1, 1), QTime(1, 0, 0)));
  Click(d, param_ids::kClockRead);  // no answer: the pickers keep what they show
  EXPECT_EQ(Clock(d), QDateTime(QDate(2000, 1, 1), QTime(1, 0, 0)));
  EXPECT_EQ(prompter.texts.last(), QString::fromUtf8(text::kCommunicationFailed));
}

}  // namespace
}  // namespace kaviro

// End to end: the dialog opened from the menu against the simulated controller.
namespace kaviro {
namespace {

struct ModeCase {
  const char* name;
  int workMode;
  std::vector<std::string> simArgs;
};

class ParamDialogSimTest : public kaviro::testing::GuiTest, public ::testing::WithParamInterface<ModeCase> {
 protected:
  void TearDown() override {
    GuiTest::TearDown();
    sim.Stop();
  }
  kaviro::testing::SimProcess sim;
};

TEST_P(ParamDialogSimTest, ReadsEveryVisibleRowSetsAndReadsBack) {
  const ModeCase& mode = GetParam();
  std::vector<std::string> args = mode.simArgs;
  const std::string tty = kaviro::testing::SimProcess::UniquePath("param");
  if (mode.workMode != 1) args.insert(args.begin(), {"--pty", tty});
  ASSERT_TRUE(sim.Start(KAVIRO_SIM_PATH, args)) << sim.output();
  setenv("KAVIRO_COM2", tty.c_str(), 1);
  setenv("KAVIRO_TCP_PORT", std::to_string(sim.tcpPort()).c_str(), 1);
  Start([&](AppConfig& c) {
    c.workMode = mode.workMode;
    c.controllerIp = 0x7F000001;
    c.pollInterval = 1;
  });
  RegisterToolDialogs(*frame);
  if (mode.workMode == 1) {
    frame->MenuCommand(cmd::kNetwork)->trigger();
    ASSERT_TRUE(kaviro::testing::WaitFor([&] { return frame->link().Connected(); }));
  }
  // The cache is what the poll filled: wait for all three blocks.
  ASSERT_TRUE(kaviro::testing::WaitFor([&] { return !Value(70).isEmpty(); }, 10000));
  prompter.texts.clear();

  std::map<int, QString> opened, read;
  QDateTime setTo, clockRead;
  kaviro::testing::WhenDialogOpens([&](QDialog& d) {
    for (const ParamRow& row : ParamRows()) opened[row.displayId] = Text(d, row.displayId);
    for (const ParamRow& row : ParamRows()) {
      if (!res::Control(d, row.readId)->isVisibleTo(&d)) continue;
      Type(d, row.displayId, "");
      Click(d, row.readId);
      read[row.displayId] = Text(d, row.displayId);
    }
    Type(d, param_ids::kLoadHvdInput, "15.5");
    Click(d, param_ids::kLoadHvdSet);
    Type(d, param_ids::kLightingModeInput, "0");
    Click(d, param_ids::kLightingModeSet);
    setTo = QDateTime(QDate(2021, 6, 1), QTime(8, 30, 0));
    res::Control<QDateTimeEdit>(d, param_ids::kClockDate)->setDate(setTo.date());
    res::Control<QDateTimeEdit>(d, param_ids::kClockTime)->setTime(setTo.time());
    Click(d, param_ids::kClockSet);
    Click(d, param_ids::kLoadHvdRead);
    Click(d, param_ids::kLightingModeRead);
    Click(d, param_ids::kClockRead);
    clockRead = Clock(d);
    read[param_ids::kLoadHvdDisplay] = Text(d, param_ids::kLoadHvdDisplay);
    read[param_ids::kLightingModeDisplay] = Text(d, param_ids::kLightingModeDisplay);
    d.reject();
  });
  frame->MenuCommand(cmd::kParameters)->trigger();

  const QString ok = QString::fromUtf8(text::kSetOk);
  EXPECT_EQ(prompter.texts, (QStringList{ok, ok, ok}));
  EXPECT_EQ(opened[param_ids::kLoadHvdDisplay], QStringLiteral("16.00"));  // the simulator's defaults, from the poll
  EXPECT_EQ(opened[param_ids::kLightingModeDisplay], QString::fromUtf8("智能"));
  EXPECT_EQ(opened[param_ids::kEqualizeTimeDisplay], QStringLiteral("7200"));
  EXPECT_EQ(read.size(), 14u);
  EXPECT_EQ(read[param_ids::kEqualizeTimeDisplay], QStringLiteral("7200"));
  EXPECT_EQ(read[param_ids::kTempCompMinDisplay], QStringLiteral("-20"));
  EXPECT_EQ(read[param_ids::kLoadHvdDisplay], QStringLiteral("15.50"));
  EXPECT_EQ(read[param_ids::kLightingModeDisplay], QString::fromUtf8("定时"));
  EXPECT_GE(clockRead, setTo);
  EXPECT_LE(clockRead, setTo.addSecs(5));
  EXPECT_EQ(CachedParams(frame->link(), frame->values()).loadHighVoltageDisconnect, 15.5f);  // the poll runs again
  EXPECT_TRUE(frame->poller().Enabled());
}

INSTANTIATE_TEST_SUITE_P(Modes, ParamDialogSimTest,
                         ::testing::Values(ModeCase{"serial", 0, {}}, ModeCase{"wireless", 2, {"--wireless"}},
                                           ModeCase{"network", 1, {"--tcp", "0"}}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kaviro
