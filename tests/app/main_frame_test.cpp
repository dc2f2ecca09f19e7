// Start-up, the register list, the menu bar and the configuration dialog.
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <atomic>
#include <fstream>
#include <iterator>

#include "app/config_dialog.h"
#include "app/gui_fixture.h"
#include "app/network_session.h"
#include "link/serial_device.h"
#include "res/config_dialog_ids.h"
#include "res/dialog_builder.h"
#include "res/ip_address_edit.h"

namespace kaviro {
namespace {

using testing::GuiTest;
using testing::WhenDialogOpens;

std::vector<uint8_t> FileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(GuiTest, StartInAnEmptyDirectoryWritesDefaultsAndShowsTheChineseList) {
  CMainFrame& f = Start();
  EXPECT_EQ(FileBytes(ConfigFile()).size(), 32u);
  EXPECT_EQ(FileBytes(ConfigFile())[31], 'M');
  EXPECT_TRUE(f.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(f.windowTitle(), QString::fromUtf8("KAVIRO寄存器"));

  CKAVIROView& v = f.view();
  ASSERT_EQ(v.rowCount(), 74);
  ASSERT_EQ(v.columnCount(), 6);
  EXPECT_EQ(v.horizontalHeaderItem(0)->text(), QString::fromUtf8("编号"));
  EXPECT_EQ(v.horizontalHeaderItem(5)->text(), QStringLiteral("   "));
  EXPECT_EQ(v.columnWidth(2), 400);
  for (int separator : {29, 52, 67}) {
    for (int column = 0; column < 6; ++column) EXPECT_TRUE(v.Text(separator, column).isEmpty()) << separator;
  }
  EXPECT_EQ(v.Text(30, 0), QStringLiteral("00031"));
  EXPECT_EQ(v.Text(4, 1), QStringLiteral("0XE018"));
  EXPECT_EQ(v.Text(4, 2), QString::fromUtf8("DIP SWITCH SETUP电池串联数"));
  EXPECT_TRUE(f.poller().Running());
}

TEST_F(GuiTest, EnglishListAndNoListForAnUnknownLanguage) {
  CMainFrame& english = Start([](AppConfig& c) { c.language = 0; });
  ASSERT_EQ(english.view().rowCount(), 44);
  EXPECT_EQ(english.view().Text(43, 0), QStringLiteral("00044"));
  EXPECT_EQ(english.view().horizontalHeaderItem(1)->text(), QStringLiteral("Addr"));
  EXPECT_EQ(english.view().columnWidth(0), 50);
  frame.reset();

  CMainFrame& unknown = Start([](AppConfig& c) { c.language = 5; });
  EXPECT_EQ(unknown.view().rowCount(), 0);
  EXPECT_EQ(unknown.view().columnCount(), 0);
  EXPECT_FALSE(unknown.poller().Running());
}

TEST_F(GuiTest, StatusBarPanes) {
  CMainFrame& f = Start();
  const auto* clock = f.findChild<QLabel*>(QStringLiteral("pane1"));
  ASSERT_NE(clock, nullptr);
  EXPECT_GE(clock->width(), clock->fontMetrics().horizontalAdvance(QString::fromUtf8("控制器当前时间：") + QString(25, ' ')));
  EXPECT_GT(clock->width(), clock->fontMetrics().horizontalAdvance(QString::fromUtf8("控制器当前时间：2026-12-08 06:08:55")));
  const char* indicators[] = {"大写", "数字", "滚动"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(f.StatusText(2 + i), QString::fromUtf8(indicators[i]));
}

TEST_F(GuiTest, MenuBarOrderAndTheBlankItem) {
  CMainFrame& f = Start();
  const QList<QAction*> actions = f.menuBar()->actions();
  const std::pair<int, const char*> expected[] = {
      {32787, "设备"},   {32771, "配置"},     {32776, "ModBus协议测试"}, {32779, "读日志文件"},
      {32780, "网络连接"}, {32782, "控制器基本信息"}, {1, ""},                {32785, "动作命令"},
      {32786, "参数设置"}, {32788, "RD设置"},    {32789, ""},              {32790, "设置备份"},
      {32791, "通讯统计"},  // the link statistics panel, the frame log and the trend, behind the tool's own items
      {32792, "通讯记录"}, {32793, "趋势图"},
  };
  ASSERT_EQ(actions.size(), static_cast<int>(std::size(expected)));
  for (int i = 0; i < actions.size(); ++i) {
    EXPECT_EQ(actions[i]->objectName(), QString::number(expected[i].first)) << i;
    EXPECT_EQ(actions[i]->text(), QString::fromUtf8(expected[i].second)) << i;
  }
  EXPECT_FALSE(actions[6]->isEnabled());

  // Outside the network mode the network command and the device command do nothing.
  actions[4]->trigger();
  actions[0]->trigger();
  EXPECT_EQ(actions[4]->text(), QString::fromUtf8("网络连接"));
  EXPECT_FALSE(f.session().HasLink());
  EXPECT_TRUE(prompter.texts.isEmpty());
  frame.reset();

  EXPECT_TRUE(Start([](AppConfig& c) { c.workMode = 1; }).MenuCommand(cmd::kBlank)->isEnabled());
}

TEST_F(GuiTest, MenuPromptsThenTheIdleText) {
  CMainFrame& f = Start();
  f.SetStatusText(QStringLiteral("work-mode line"));
  f.MenuCommand(cmd::kConfig)->hover();
  EXPECT_EQ(f.StatusText(0), QString());  // the items have no prompts
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(f.menuBar(), &leave);
  EXPECT_EQ(f.StatusText(0), QStringLiteral("  "));
}

// A wireless adapter that answers every request with packets that do not join (count byte 0).
class BrokenAdapter final : public SerialDevice {
 public:
  bool IsOpen() const override { return true; }
  void Purge() override { queued_ = 0; }
  int Queued() override { return queued_; }
  int Read(std::span<uint8_t> out) override {
    const int n = std::min(static_cast<int>(out.size()), queued_.load());
    std::fill_n(out.begin(), n, 0);
    queued_ -= n;
    return n;
  }
  int Write(std::span<const uint8_t> bytes) override {
    ++writes;
    queued_ = 13 * 16;  // as many packets as block read 1 waits for
    return static_cast<int>(bytes.size());
  }
  std::atomic<int> writes{0};

 private:
  std::atomic<int> queued_{0};
};

// Holds each message open for a while in its own event loop, like a modal box; a message that
// comes while one is open is recorded and closed at once.
class ModalPrompter final : public Prompter {
 public:
  explicit ModalPrompter(BrokenAdapter& adapter) : adapter_(adapter) {}
  void Message(QWidget*, const QString& text, const QString& = {}) override {
    texts.push_back(text);
    if (open_) {
      ++overAnOpenOne;
      return;
    }
    open_ = true;
    const int writesAtOpen = adapter_.writes;
    QEventLoop loop;
    QTimer::singleShot(150, &loop, &QEventLoop::quit);
    loop.exec();
    requestsWhileOpen += adapter_.writes - writesAtOpen;
    open_ = false;
  }
  QString SaveFileName(QWidget*, const QString&) override { return {}; }
  QString OpenFileName(QWidget*, const QString&) override { return {}; }
  QString FolderName(QWidget*) override { return {}; }
  QStringList texts;
  int overAnOpenOne = 0;
  int requestsWhileOpen = 0;

 private:
  BrokenAdapter& adapter_;
  bool open_ = false;
};

class UnpackingMessageTest : public GuiTest {
 protected:
  BrokenAdapter adapter;
  ModalPrompter modal{adapter};
};

TEST_F(UnpackingMessageTest, PollingWaitsUntilTheBoxIsClosed) {
  AppConfig c = AppConfig::Defaults();
  c.workMode = 2;
  c.pollInterval = 0;
  config = std::make_unique<SharedConfig>(c);
  frame = std::make_unique<CMainFrame>(*config, ConfigFile(), modal);
  frame->link().UseSerialDevice(&adapter);
  frame->show();
  ASSERT_TRUE(testing::WaitFor([&] { return modal.texts.size() >= 3; }));
  frame->poller().Stop();
  EXPECT_EQ(modal.overAnOpenOne, 0);
  EXPECT_EQ(modal.requestsWhileOpen, 0);
  for (const QString& text : modal.texts) EXPECT_EQ(text, QString::fromUtf8("最后1包数据长度不正确=0,应该在1~15"));
}

struct ConfigCase {
  const char* what;
  std::function<void(AppConfig&)> stored;
  QString comText;
  QString modeText;
};

TEST_F(GuiTest, ConfigDialogShowsTheFile) {
  const ConfigCase cases[] = {
      {"COM7", [](AppConfig& c) { c.comPort = 7; }, "COM7", QString::fromUtf8("串口")},
      {"COM9", [](AppConfig& c) { c.comPort = 9; }, "", QString::fromUtf8("串口")},
      {"work mode 5", [](AppConfig& c) { c.workMode = 5; }, "COM2", QString::fromUtf8("串口")},
      {"wireless", [](AppConfig& c) { c.workMode = 2; }, "COM2", QString::fromUtf8("2.4G无线")},
  };
  CMainFrame& f = Start();
  for (const ConfigCase& c : cases) {
    AppConfig stored = AppConfig::Defaults();
    c.stored(stored);
    SaveConfig(ConfigFile(), stored);
    CConfigDlg dialog(f);
    EXPECT_EQ(res::Control<QComboBox>(dialog, config_ids::kComPort)->currentText(), c.comText) << c.what;
    EXPECT_EQ(res::Control<QComboBox>(dialog, config_ids::kWorkMode)->currentText(), c.modeText) << c.what;
  }
}

TEST_F(GuiTest, ConfigDialogReplacesAForeignFileAndShowsDefaults) {
  CMainFrame& f = Start();
  AppConfig foreign = AppConfig::Defaults();
  foreign.signature[3] = 'N';
  foreign.comPort = 5;
  SaveConfig(ConfigFile(), foreign);
  CConfigDlg dialog(f);
  EXPECT_EQ(res::Control<QComboBox>(dialog, config_ids::kWorkMode)->currentText(), QString::fromUtf8("串口"));
  EXPECT_EQ(res::Control<QComboBox>(dialog, config_ids::kComPort)->currentText(), QStringLiteral("COM2"));
  EXPECT_EQ(res::Control<res::IpAddressEdit>(dialog, config_ids::kControllerIp)->Address(), 0xC0A801C7u);
  EXPECT_EQ(res::Control<QLineEdit>(dialog, config_ids::kDeviceId)->text(), QStringLiteral("1"));
  EXPECT_EQ(res::Control<QLineEdit>(dialog, config_ids::kPollInterval)->text(), QStringLiteral("3"));
  EXPECT_EQ(res::Control<QComboBox>(dialog, config_ids::kLanguage)->currentText(), QString::fromUtf8("简体中文"));
  EXPECT_TRUE(res::Control<QRadioButton>(dialog, config_ids::kBattery12V)->isChecked());
  EXPECT_EQ(LoadConfig(ConfigFile()), AppConfig::Defaults());
}

TEST_F(GuiTest, ConfigConfirmWritesTheRecord) {
  CMainFrame& f = Start([](AppConfig& c) { c.comPort = 9; });
  CConfigDlg dialog(f);
  res::Control<res::IpAddressEdit>(dialog, config_ids::kControllerIp)->SetAddress(0x0A000005);
  res::Control<QLineEdit>(dialog, config_ids::kDeviceId)->setText(QStringLiteral("17"));
  res::Control<QRadioButton>(dialog, config_ids::kBattery48V)->setChecked(true);
  res::Control<QPushButton>(dialog, config_ids::kConfirm)->click();
  const std::vector<uint8_t> bytes = FileBytes(ConfigFile());
  ASSERT_EQ(bytes.size(), 32u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 20, bytes.begin() + 24), (std::vector<uint8_t>{0x05, 0, 0, 0x0A}));
  const AppConfig saved = LoadConfig(ConfigFile());
  EXPECT_EQ(saved.comPort, 0);  // no COM entry was selected
  EXPECT_EQ(saved.deviceId, 17);
  EXPECT_EQ(saved.batteryVoltage, 2);
  EXPECT_EQ(f.config().Get(), saved);
  EXPECT_EQ(res::Control<QLabel>(dialog, config_ids::kResult)->text(),
            QString::fromUtf8("设置成功,串口网络和语言修改需重新启动程序!"));
}

// An octet over 255 would be masked into another controller's address: nothing is saved.
TEST_F(GuiTest, ConfigConfirmRefusesAnAddressThatWouldWrap) {
  CMainFrame& f = Start();
  CConfigDlg dialog(f);
  auto* ip = res::Control<res::IpAddressEdit>(dialog, config_ids::kControllerIp);
  ip->SetOctetText(3, QStringLiteral("300"));
  res::Control<QLineEdit>(dialog, config_ids::kDeviceId)->setText(QStringLiteral("17"));
  dialog.Confirm();
  EXPECT_EQ(res::Control<QLabel>(dialog, config_ids::kResult)->text(), QString::fromUtf8("设置失败！"));
  EXPECT_EQ(f.config().Get(), AppConfig::Defaults());
  EXPECT_EQ(LoadConfig(ConfigFile()), AppConfig::Defaults());
}

TEST_F(GuiTest, ConfigConfirmWithANonIntegerKeepsThatFieldAndTheOnesAfterIt) {
  CMainFrame& f = Start();
  CConfigDlg dialog(f);
  res::Control<QLineEdit>(dialog, config_ids::kDeviceId)->setText(QStringLiteral("12a"));
  res::Control<QLineEdit>(dialog, config_ids::kPollInterval)->setText(QStringLiteral("9"));
  res::Control<QRadioButton>(dialog, config_ids::kBattery24V)->setChecked(true);
  res::Control<QComboBox>(dialog, config_ids::kComPort)->setCurrentIndex(4);
  dialog.Confirm();
  EXPECT_EQ(prompter.texts, QStringList{QString::fromUtf8("请键入一个整数。")});
  const AppConfig saved = LoadConfig(ConfigFile());
  EXPECT_EQ(saved.deviceId, 1);
  EXPECT_EQ(saved.pollInterval, 3);
  EXPECT_EQ(saved.batteryVoltage, 0);
  EXPECT_EQ(saved.comPort, 5);  // the save still goes on
}

TEST_F(GuiTest, ConfigConfirmReportsAFileThatCannotBeWritten) {
  CMainFrame& f = Start();
  std::filesystem::remove(ConfigFile());
  std::filesystem::create_directory(ConfigFile());
  CConfigDlg dialog(f);
  res::Control<QLineEdit>(dialog, config_ids::kPollInterval)->setText(QStringLiteral("7"));
  dialog.Confirm();
  EXPECT_EQ(res::Control<QLabel>(dialog, config_ids::kResult)->text(), QString::fromUtf8("设置失败！"));
  EXPECT_EQ(f.config().Get().pollInterval, 7);  // in effect in memory all the same
}

// Enter closes the dialog and saves nothing, wherever the focus is, except on the confirm
// button, which Enter presses as it would any focused button.
TEST_F(GuiTest, ConfigDialogEnterKey) {
  struct Case {
    const char* name;
    std::function<QWidget*(QDialog&)> target;
    bool closes;
  };
  const Case cases[] = {
      {"work mode combo", [](QDialog& d) { return res::Control<QComboBox>(d, config_ids::kWorkMode); }, true},
      {"device ID edit", [](QDialog& d) { return res::Control<QLineEdit>(d, config_ids::kDeviceId); }, true},
      {"IP address field",
       [](QDialog& d) {
         return res::Control<res::IpAddressEdit>(d, config_ids::kControllerIp)->findChild<QLineEdit*>();
       },
       true},
      {"radio", [](QDialog& d) { return res::Control<QRadioButton>(d, config_ids::kBattery24V); }, true},
      {"confirm button", [](QDialog& d) { return res::Control<QPushButton>(d, config_ids::kConfirm); }, false},
  };
  CMainFrame& f = Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CConfigDlg dialog(f);
    res::Control<QLineEdit>(dialog, config_ids::kPollInterval)->setText(QStringLiteral("9"));
    dialog.show();
    QWidget* target = c.target(dialog);
    target->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_EQ(dialog.isVisible(), !c.closes);
    EXPECT_EQ(LoadConfig(ConfigFile()).pollInterval, c.closes ? 3 : 9);
    SaveConfig(ConfigFile(), AppConfig::Defaults());
  }
}

TEST_F(GuiTest, SwitchingToTheNetworkBlanksTheValues) {
  CMainFrame& f = Start();
  f.view().SetRowValue(0, "something");
  WhenDialogOpens([](QDialog& dialog) {
    res::Control<QComboBox>(dialog, config_ids::kWorkMode)->setCurrentIndex(1);
    res::Control<QPushButton>(dialog, config_ids::kConfirm)->click();
    dialog.reject();
  });
  f.MenuCommand(cmd::kConfig)->trigger();
  EXPECT_TRUE(Value(0).isEmpty());
  EXPECT_EQ(f.StatusText(0), QString::fromUtf8("连接已断开，请检查连接"));
  EXPECT_TRUE(f.poller().Enabled());
}

}  // namespace
}  // namespace kaviro
