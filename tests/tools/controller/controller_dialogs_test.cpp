// The action and controller information dialogs: their controls, what each button does to them,
// and both opened from the menu against the simulated controller in every work mode.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <set>

#include "app/gui_fixture.h"
#include "app/tool_menu.h"
#include "link/fake_link.h"
#include "link/text_format.h"
#include "res/action_cmd_dialog_ids.h"
#include "res/button_ids.h"
#include "res/controller_info_dialog_ids.h"
#include "res/dialog_builder.h"
#include "res/templates.h"
#include "sim/sim_process.h"
#include "tools/controller/action_cmd_dialog.h"
#include "tools/controller/coil_command.h"
#include "tools/controller/controller_info.h"
#include "tools/controller/controller_info_dialog.h"
#include "tools/tool_fixture.h"

namespace kaviro {
namespace {

using kaviro::testing::Bytes;

QString U(const char* text) { return QString::fromUtf8(text); }

QStringList Texts(std::initializer_list<const char*> texts) {
  QStringList list;
  for (const char* t : texts) list.push_back(U(t));
  return list;
}

Bytes ReadAnswer(uint8_t unit, const std::vector<uint16_t>& words) {
  std::vector<uint8_t> body{unit, 0x03, static_cast<uint8_t>(2 * words.size())};
  for (uint16_t w : words) PutU16(body, w);
  const RtuFrame f = RtuFrame::Seal(body);
  return {f.Bytes().begin(), f.Bytes().end()};
}

class ControllerDialogTest : public kaviro::testing::ToolTest {
 protected:
  template <typename Dialog>
  Dialog& Open(std::unique_ptr<Dialog>& slot, int workMode = 0) {
    Configure([&](AppConfig& c) { c.workMode = workMode; });
    slot = std::make_unique<Dialog>(Context());
    return *slot;
  }
  QString Text(QWidget& d, int id) {
    if (auto* edit = res::Control<QLineEdit>(d, id)) return edit->text();
    return res::Control<QLabel>(d, id)->text();
  }
  bool Lit(QWidget& d, int id) { return res::Control(d, id)->isEnabled(); }
  void Click(QWidget& d, int id) { res::Control<QPushButton>(d, id)->click(); }

  std::unique_ptr<CActionCmdDlg> actions;
  std::unique_ptr<CControllerInfoDlg> info;
};

TEST_F(ControllerDialogTest, ActionButtonsSendTheirCoilAndSayWhatCameBack) {
  CActionCmdDlg& d = Open(actions);
  EXPECT_EQ(d.windowTitle(), U("动作命令"));
  for (const CoilAction& a : CoilActions()) EXPECT_EQ(res::Control<QPushButton>(d, a.buttonId)->text(), U(a.caption));
  EXPECT_EQ(res::Control<QPushButton>(d, button_ids::kOk), nullptr);      // no OK
  EXPECT_EQ(res::Control<QPushButton>(d, button_ids::kCancel), nullptr);  // no Cancel

  const RtuFrame clear = WriteCoil(1, 0x0014);
  Bytes differing(clear.Bytes().begin(), clear.Bytes().end());
  port.AnswerWrite(0, 20, differing);
  differing[7] ^= 1;
  port.AnswerWrite(1, 20, differing);
  Click(d, action_ids::kClearFaults);
  Click(d, action_ids::kClearFaults);
  EXPECT_EQ(prompter.texts, Texts({"设置成功！", "操作失败！", "设置失败！"}));
  EXPECT_EQ(port.writes()[0], Bytes(clear.Bytes().begin(), clear.Bytes().end()));
}

TEST_F(ControllerDialogTest, InfoDialogOpensEmptyAndUnlit) {
  CControllerInfoDlg& d = Open(info);
  EXPECT_EQ(d.windowTitle(), U("控制器基本信息"));
  for (int i = 0; i < kPresetRows; ++i) {
    for (int j = 0; j < kPresetColumns; ++j) {
      auto* edit = res::Control<QLineEdit>(d, PresetEditId(i, j));
      ASSERT_NE(edit, nullptr);
      EXPECT_EQ(edit->isReadOnly(), i != kCustomPresetRow);
      EXPECT_TRUE(edit->text().isEmpty());
    }
  }
  // Every label the operations light carries its text, unlit.
  std::vector<InfoLabel> labels(std::begin(kFaultLabels), std::end(kFaultLabels));
  labels.insert(labels.end(), std::begin(kAlarmLabels), std::end(kAlarmLabels));
  for (const DipGroup& g : kDipGroupTable) labels.insert(labels.end(), g.options.begin(), g.options.begin() + g.count);
  for (const InfoLabel& label : labels) {
    EXPECT_EQ(Text(d, label.id), U(label.text)) << label.id;
    EXPECT_FALSE(Lit(d, label.id)) << label.id;
  }
  for (int id : {info_ids::kSwitchReadCount, info_ids::kFaultReadCount}) {
    EXPECT_FALSE(Lit(d, id));
    EXPECT_TRUE(Text(d, id).isEmpty());
  }
  EXPECT_TRUE(port.writes().empty());  // nothing is read by itself
}

// One answer per button: what each handler puts into the controls, and what a bad answer leaves.
TEST_F(ControllerDialogTest, EachButtonFillsOrLightsItsControls) {
  CControllerInfoDlg& d = Open(info);
  std::vector<uint16_t> words(kPresetRegisters, 1200);
  words[0] = 0x05A0;
  words[kPresetRegisters - 1] = 0x00F6;
  Bytes corrupt = ReadAnswer(1, {0x00FF});
  corrupt[4] ^= 0x7E;
  port.AnswerWrite(0, 200, ReadAnswer(1, words));
  port.AnswerWrite(1, 100, ReadAnswer(1, {0x0014}));
  port.AnswerWrite(2, 100, ReadAnswer(1, {0x0081}));
  port.AnswerWrite(3, 100, ReadAnswer(1, {0x0022}));
  port.AnswerWrite(4, 100, corrupt);

  Click(d, info_ids::kReadPresets);
  EXPECT_EQ(Text(d, PresetEditId(0, 0)), U("14.40"));
  EXPECT_EQ(Text(d, PresetEditId(0, 3)), U("176"));  // 1200 = 0x04B0: the low byte
  EXPECT_EQ(Text(d, PresetEditId(7, 8)), U("-10"));

  Click(d, info_ids::kReadSwitches);
  const std::set<int> lit = {info_ids::kLightingLoad, info_ids::kHighFrequency,     info_ids::kBatteries24V,
                             info_ids::kFlooded2Row,  info_ids::kAutomaticEqualise, info_ids::kMeterRadio};
  for (const DipGroup& g : kDipGroupTable)
    for (int o = 0; o < g.count; ++o) EXPECT_EQ(Lit(d, g.options[o].id), lit.count(g.options[o].id) == 1) << g.options[o].id;
  for (int k = 0; k < kDipSwitches; ++k) {
    const bool on = k == 2 || k == 4;
    EXPECT_EQ(Text(d, kDipIndicators[k].onId), on ? U("1") : QString()) << k;
    EXPECT_EQ(Text(d, kDipIndicators[k].offId), on ? QString() : U("0")) << k;
  }
  EXPECT_EQ(Text(d, info_ids::kSwitchReadCount), U("1"));

  Click(d, info_ids::kReadFaultsAndAlarms);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(Lit(d, kFaultLabels[k].id), k == 0 || k == 7) << k;
  for (int k = 0; k < 6; ++k) EXPECT_EQ(Lit(d, kAlarmLabels[k].id), k == 1 || k == 5) << k;
  EXPECT_EQ(Text(d, info_ids::kFaultReadCount), U("1"));
  EXPECT_TRUE(prompter.texts.isEmpty());

  // A corrupted fault word lights nothing and counts nothing.
  Click(d, info_ids::kReadFaultsAndAlarms);
  EXPECT_EQ(prompter.texts, Texts({"返回数据错误！"}));
  EXPECT_TRUE(Lit(d, info_ids::kBatteryFault));
  EXPECT_FALSE(Lit(d, info_ids::kBatterySensorShorted));
  EXPECT_EQ(Text(d, info_ids::kFaultReadCount), U("1"));
}

TEST_F(ControllerDialogTest, CustomRowIsCheckedShownThenSent) {
  CControllerInfoDlg& d = Open(info);
  const char* row[] = {"14.4", "13.8", "14.8", "30", "16", "11", "12", "16.01", "-10"};
  for (int j = 0; j < kPresetColumns; ++j) res::Control<QLineEdit>(d, PresetEditId(7, j))->setText(U(row[j]));
  Click(d, info_ids::kSetCustomRow);
  EXPECT_EQ(prompter.texts, Texts({"中电压上限范围为8.0~16.0"}));
  EXPECT_EQ(prompter.captions, Texts({"输入范围错误"}));
  EXPECT_TRUE(port.writes().empty());

  res::Control<QLineEdit>(d, PresetEditId(7, 7))->setText(U("12.5"));
  const RtuFrame confirmation = RtuFrame::Seal(Bytes{0x01, 0x10, 0x20, 0x3F, 0x00, 0x09});
  port.AnswerAfter(200, Bytes(confirmation.Bytes().begin(), confirmation.Bytes().end()));
  Click(d, info_ids::kSetCustomRow);
  const RtuFrame frame = CustomPresetFrame(1, {1440, 1380, 1480, 30, 1600, 1100, 1200, 1250, 0x00F6});
  ASSERT_EQ(prompter.texts.size(), 3);
  EXPECT_EQ(prompter.texts[1], QString::fromStdString(HexBytes(frame.Bytes())));
  EXPECT_EQ(prompter.texts[2], U("设置成功！"));
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0], Bytes(frame.Bytes().begin(), frame.Bytes().end()));
}

}  // namespace
}  // namespace kaviro

// End to end: both dialogs opened from the menu against the simulated controller.
namespace kaviro {
namespace {

struct ModeCase {
  const char* name;
  int workMode;
  std::vector<std::string> simArgs;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class ControllerDialogsSimTest : public kaviro::testing::GuiTest, public ::testing::WithParamInterface<ModeCase> {
 protected:
  void TearDown() override {
    GuiTest::TearDown();
    sim.Stop();
  }
  void StartLinked() {
    const ModeCase& mode = GetParam();
    std::vector<std::string> args = mode.simArgs;
    const std::string tty = kaviro::testing::SimProcess::UniquePath("info");
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
      prompter.texts.clear();
    }
  }
  DecodedValues AfterNextPoll() {
    const uint64_t from = frame->poller().PollCount();
    EXPECT_TRUE(kaviro::testing::WaitFor([&] { return frame->poller().PollCount() >= from + 2; }, 8000));
    std::lock_guard lock(frame->link().Mutex());
    return frame->values();
  }
  static void Click(QDialog& d, int id) { res::Control<QPushButton>(d, id)->click(); }
  static QString Text(QDialog& d, int id) { return res::Control<QLineEdit>(d, id)->text(); }

  kaviro::testing::SimProcess sim;
};

TEST_P(ControllerDialogsSimTest, ActionsShowInTheNextPollAndTheInformationReadsBack) {
  StartLinked();
  if (HasFatalFailure()) return;
  const DecodedValues before = AfterNextPoll();
  ASSERT_EQ(before.faultBits, 0x0080);
  ASSERT_EQ(before.daysSinceMaintenance, 15);

  kaviro::testing::WhenDialogOpens([&](QDialog& dialog) {
    for (const CoilAction& a : CoilActions()) Click(dialog, a.buttonId);
    dialog.reject();
  });
  frame->MenuCommand(cmd::kActions)->trigger();
  QStringList confirmed;
  for (size_t i = 0; i < CoilActions().size(); ++i) confirmed.push_back(U("设置成功！"));
  EXPECT_EQ(prompter.texts, confirmed);
  const DecodedValues after = AfterNextPoll();
  EXPECT_EQ(after.faultBits, 0);
  EXPECT_EQ(after.alarmBits & 0x0020, 0);
  EXPECT_EQ(after.daysSinceMaintenance, 0);
  EXPECT_EQ(after.resettableChargeKwh, 0);
  EXPECT_EQ(after.resettableLoadKwh, 0);
  EXPECT_EQ(after.loadState, 0);  // disconnected by hand

  prompter.texts.clear();
  const char* custom[] = {"14.6", "13.6", "14.9", "25", "15.5", "10.8", "12.1", "12.6", "-20"};
  QStringList row7;
  kaviro::testing::WhenDialogOpens([&](QDialog& dialog) {
    Click(dialog, info_ids::kReadFaultsAndAlarms);
    for (int k = 0; k < 8; ++k) EXPECT_FALSE(res::Control(dialog, kFaultLabels[k].id)->isEnabled()) << k;
    EXPECT_EQ(Text(dialog, info_ids::kFaultReadCount), U("1"));
    Click(dialog, info_ids::kReadSwitches);  // the simulator's switches 2 and 7: low frequency, sealed battery
    for (int id : {info_ids::kLightingLoad, info_ids::kLowFrequency, info_ids::kBatteriesAuto, info_ids::kSealedRow,
                   info_ids::kAutomaticEqualise, info_ids::kMeterRadio})
      EXPECT_TRUE(res::Control(dialog, id)->isEnabled()) << id;
    Click(dialog, info_ids::kReadPresets);
    EXPECT_EQ(Text(dialog, PresetEditId(0, 0)), U("14.20"));
    for (int j = 0; j < kPresetColumns; ++j) res::Control<QLineEdit>(dialog, PresetEditId(7, j))->setText(U(custom[j]));
    Click(dialog, info_ids::kSetCustomRow);
    for (int j = 0; j < kPresetColumns; ++j) res::Control<QLineEdit>(dialog, PresetEditId(7, j))->clear();
    Click(dialog, info_ids::kReadPresets);
    for (int j = 0; j < kPresetColumns; ++j) row7.push_back(Text(dialog, PresetEditId(7, j)));
    dialog.reject();
  });
  frame->MenuCommand(cmd::kControllerInfo)->trigger();
  // The frame preview, then the controller's confirmation.
  ASSERT_EQ(prompter.texts.size(), 2) << prompter.texts.join('|').toStdString();
  EXPECT_TRUE(prompter.texts[0].startsWith(QStringLiteral("01 10 20 3F 00 09 12 05 B4 ")));
  EXPECT_EQ(prompter.texts[1], U("设置成功！"));
  EXPECT_EQ(row7, Texts({"14.60", "13.60", "14.90", "25", "15.50", "10.80", "12.10", "12.60", "-20"}));
  EXPECT_TRUE(frame->poller().Enabled());
}

INSTANTIATE_TEST_SUITE_P(Modes, ControllerDialogsSimTest,
                         ::testing::Values(ModeCase{"serial", 0, {}}, ModeCase{"wireless", 2, {"--wireless"}},
                                           ModeCase{"network", 1, {"--tcp", "0"}}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kaviro
