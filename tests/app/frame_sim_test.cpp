// The main window against the simulator: live values, lost connections, the network session and
// the pause around tool dialogs.
#include <QComboBox>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "app/gui_fixture.h"
#include "app/network_session.h"
#include "res/config_dialog_ids.h"
#include "res/dialog_builder.h"
#include "sim/sim_process.h"

namespace kaviro {
namespace {

using testing::SimProcess;
using testing::WaitFor;

class FrameSimTest : public testing::GuiTest {
 protected:
  void TearDown() override {
    GuiTest::TearDown();
    sim.Stop();
  }
  // The simulator on a pseudo-terminal mapped to COM2.
  void StartSerialSim(std::vector<std::string> extra = {}) {
    tty = SimProcess::UniquePath("gui");
    extra.insert(extra.begin(), {"--pty", tty});
    ASSERT_TRUE(sim.Start(KAVIRO_SIM_PATH, extra)) << sim.output();
    setenv("KAVIRO_COM2", tty.c_str(), 1);
  }
  void StartNetworkSim(std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(), {"--tcp", "0"});
    ASSERT_TRUE(sim.Start(KAVIRO_SIM_PATH, extra)) << sim.output();
    setenv("KAVIRO_TCP_PORT", std::to_string(sim.tcpPort()).c_str(), 1);
  }
  static void NetworkConfig(AppConfig& c) {
    c.workMode = 1;
    c.controllerIp = 0x7F000001;
    c.pollInterval = 1;  // polls skipped while unconnected still start the interval
  }
  bool ValuesShown() { return Value(5) == QStringLiteral("10.00"); }  // 0x0028 = 1000
  QString NetworkMenuText() { return frame->MenuCommand(cmd::kNetwork)->text(); }

  SimProcess sim;
  std::string tty;
};

TEST_F(FrameSimTest, PollFillsTheListAndTheStatusPanes) {
  StartSerialSim();
  Start();
  ASSERT_TRUE(WaitFor([&] { return ValuesShown() && !Value(70).isEmpty(); }));  // all three blocks in
  // Fixed defaults of the simulated controller, and a register listed twice showing the same.
  EXPECT_EQ(Value(3), QStringLiteral("1"));            // 0x0004
  EXPECT_EQ(Value(6), QStringLiteral("16.00"));        // 0x0029
  EXPECT_EQ(Value(27), QStringLiteral("0X0080"));      // 0x002C faults
  EXPECT_EQ(Value(70), QStringLiteral("18:30:00"));    // 0xE080
  EXPECT_EQ(Value(37), QStringLiteral("30.000"));      // 0x003C
  EXPECT_FALSE(Value(12).isEmpty());
  EXPECT_EQ(Value(12), Value(31));                     // 0x0032 in both sections
  EXPECT_TRUE(Value(29).isEmpty());                    // a separator never gets a value
  EXPECT_EQ(frame->StatusText(0),
            QString::fromUtf8("工作方式：串口,  串口号：COM2,  设备ID：01,  采集间隔：3s,  语言：简体中文"));
  EXPECT_TRUE(frame->StatusText(1).startsWith(QString::fromUtf8("控制器当前时间：20")));
}

TEST_F(FrameSimTest, WirelessPollThroughTheAdapterPackets) {
  StartSerialSim({"--wireless"});
  Start([](AppConfig& c) { c.workMode = 2; });
  ASSERT_TRUE(WaitFor([&] { return ValuesShown() && !Value(70).isEmpty(); }));
  EXPECT_EQ(Value(71), QStringLiteral("23:00:00"));  // 0xE082
  EXPECT_TRUE(frame->StatusText(0).startsWith(QString::fromUtf8("工作方式：2.4G无线,  串口号：COM2,")));
  EXPECT_TRUE(prompter.texts.isEmpty());
}

TEST_F(FrameSimTest, FourthFailedPollInARowClearsTheValues) {
  StartSerialSim();
  Start([](AppConfig& c) { c.pollInterval = 0; });
  ASSERT_TRUE(WaitFor([&] { return ValuesShown(); }));
  sim.Stop();  // the line goes silent
  ASSERT_TRUE(WaitFor([&] { return frame->poller().ConsecutiveFailures() >= 3; }, 15000));
  QApplication::processEvents();
  EXPECT_TRUE(ValuesShown());
  EXPECT_NE(frame->StatusText(0), QString::fromUtf8("连接已断开，请检查连接"));
  ASSERT_TRUE(WaitFor([&] { return Value(5).isEmpty(); }, 5000));
  EXPECT_EQ(frame->StatusText(0), QString::fromUtf8("连接已断开，请检查连接"));
  for (int row = 0; row < frame->view().rowCount(); ++row) EXPECT_TRUE(Value(row).isEmpty()) << row;
}

TEST_F(FrameSimTest, WindowClosesPromptlyWhileAPollWaitsOnASilentLine) {
  StartSerialSim({"--silent"});
  Start();
  ASSERT_TRUE(WaitFor([&] { return frame->link().SerialOpen(); }));
  usleep(200 * 1000);  // read 1 is now waiting out its two seconds
  const auto before = std::chrono::steady_clock::now();
  frame.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
}

TEST_F(FrameSimTest, NoPollWhileAToolDialogIsOpenAndOneRightAfter) {
  StartSerialSim();
  Start([](AppConfig& c) { c.pollInterval = 1; });
  ASSERT_TRUE(WaitFor([&] { return frame->poller().PollCount() >= 1; }));
  QDialog tool;
  uint64_t atOpen = 0;
  QTimer::singleShot(50, &tool, [&] { atOpen = frame->poller().PollCount(); });
  QTimer::singleShot(2500, &tool, [&] { tool.reject(); });
  frame->RunToolDialog(tool);
  const uint64_t atClose = frame->poller().PollCount();
  EXPECT_EQ(atClose, atOpen);
  // The interval has long passed: the next poll starts on the worker's next pass.
  EXPECT_TRUE(WaitFor([&] { return frame->poller().PollCount() > atClose; }, 1000));
}

TEST_F(FrameSimTest, NetworkConnectPollAndManualDisconnect) {
  StartNetworkSim();
  Start(NetworkConfig);
  const QString port = QString::number(sim.tcpPort());
  frame->MenuCommand(cmd::kNetwork)->trigger();
  ASSERT_TRUE(WaitFor([&] { return !prompter.texts.isEmpty(); }));
  EXPECT_EQ(prompter.texts[0], QString::fromUtf8("连接服务器成功! 服务器IP：127.0.0.1 端口：") + port);
  EXPECT_EQ(NetworkMenuText(), QString::fromUtf8("断开网络"));
  EXPECT_EQ(frame->StatusText(0), QString::fromUtf8("工作方式：网络,  控制器IP：127.0.0.1,  端口：") + port +
                                      QString::fromUtf8("  设备ID：01,  采集间隔：1s,  语言：简体中文"));
  ASSERT_TRUE(WaitFor([&] { return ValuesShown(); }));
  EXPECT_EQ(frame->StatusText(0).left(8), QString::fromUtf8("工作方式：网络,"));  // the poll leaves it

  frame->MenuCommand(cmd::kNetwork)->trigger();
  EXPECT_EQ(prompter.texts.last(), QString::fromUtf8("断开与服务器的连接!"));
  EXPECT_EQ(NetworkMenuText(), QString::fromUtf8("网络连接"));
  EXPECT_TRUE(Value(5).isEmpty());
  EXPECT_EQ(frame->StatusText(0), QString::fromUtf8("连接已断开，请检查连接"));
  EXPECT_FALSE(frame->link().Connected());
}

// The read notification gathers an answer that comes in several TCP segments.
TEST_F(FrameSimTest, NetworkPollWithAnswersInPieces) {
  StartNetworkSim({"--split"});
  Start([](AppConfig& c) {
    NetworkConfig(c);
    c.pollInterval = 0;
  });
  frame->MenuCommand(cmd::kNetwork)->trigger();
  ASSERT_TRUE(WaitFor([&] { return frame->link().Connected(); }));
  const uint64_t first = frame->poller().PollCount();
  ASSERT_TRUE(WaitFor([&] { return frame->poller().PollCount() >= first + 6; }, 10000));
  QApplication::processEvents();
  EXPECT_EQ(frame->poller().ConsecutiveFailures(), 0);
  EXPECT_TRUE(ValuesShown());
  EXPECT_FALSE(Value(70).isEmpty());
  EXPECT_NE(frame->StatusText(0), QString::fromUtf8("连接已断开，请检查连接"));
}

TEST_F(FrameSimTest, ControllerClosingTheConnectionKeepsTheValues) {
  StartNetworkSim({"--close-after", "3"});
  Start(NetworkConfig);
  frame->MenuCommand(cmd::kNetwork)->trigger();
  ASSERT_TRUE(WaitFor([&] { return prompter.texts.size() >= 2; }, 8000));
  EXPECT_EQ(prompter.texts[1], QString::fromUtf8("断开与服务器的连接"));
  EXPECT_EQ(NetworkMenuText(), QString::fromUtf8("网络连接"));
  EXPECT_TRUE(ValuesShown());
  EXPECT_FALSE(frame->session().HasLink());
}

TEST_F(FrameSimTest, NothingListeningGivesOneFailureMessage) {
  StartNetworkSim();
  const int port = sim.tcpPort();
  sim.Stop();
  setenv("KAVIRO_TCP_PORT", std::to_string(port).c_str(), 1);
  Start(NetworkConfig);
  frame->MenuCommand(cmd::kNetwork)->trigger();
  ASSERT_TRUE(WaitFor([&] { return !prompter.texts.isEmpty(); }));
  WaitFor([] { return false; }, 300);  // nothing else may follow
  EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8("连接服务器失败!")});
  EXPECT_EQ(NetworkMenuText(), QString::fromUtf8("网络连接"));
  EXPECT_FALSE(frame->session().HasLink());
}

TEST_F(FrameSimTest, ConnectingTwiceLeavesOneLink) {
  StartNetworkSim();
  Start(NetworkConfig);
  frame->MenuCommand(cmd::kNetwork)->trigger();
  frame->MenuCommand(cmd::kNetwork)->trigger();
  ASSERT_TRUE(WaitFor([&] { return !prompter.texts.isEmpty(); }));
  WaitFor([] { return false; }, 300);
  EXPECT_EQ(prompter.texts.size(), 1);
  EXPECT_TRUE(prompter.texts[0].startsWith(QString::fromUtf8("连接服务器成功!")));
  ASSERT_TRUE(WaitFor([&] { return ValuesShown(); }));
}

TEST_F(FrameSimTest, LeavingTheNetworkInTheConfigurationClosesSilently) {
  StartNetworkSim();
  Start(NetworkConfig);
  frame->MenuCommand(cmd::kNetwork)->trigger();
  ASSERT_TRUE(WaitFor([&] { return frame->link().Connected(); }));
  testing::WhenDialogOpens([](QDialog& dialog) {
    res::Control<QComboBox>(dialog, config_ids::kWorkMode)->setCurrentIndex(0);
    res::Control<QPushButton>(dialog, config_ids::kConfirm)->click();
    dialog.reject();
  });
  frame->MenuCommand(cmd::kConfig)->trigger();
  EXPECT_FALSE(frame->link().Connected());
  EXPECT_FALSE(frame->session().HasLink());
  EXPECT_EQ(NetworkMenuText(), QString::fromUtf8("网络连接"));
  EXPECT_EQ(prompter.texts.size(), 1);  // the connect message only
}

}  // namespace
}  // namespace kaviro
