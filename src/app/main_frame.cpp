#include "app/main_frame.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include "app/config_dialog.h"
#include "app/kaviro_view.h"
#include "app/keyboard_locks.h"
#include "app/network_session.h"
#include "diag/stats_summary.h"
#include "monitor/register_sink.h"
#include "res/prompter.h"
#include "tools/console/modbus_test_dialog.h"
#include "tools/diag/frame_log_dialog.h"
#include "tools/diag/link_stats_dialog.h"
#include "tools/trend/trend_dialog.h"

namespace kaviro {

namespace {

constexpr int kToolDialogPauseMs = 100;
constexpr const char* kClockPaneSample = "控制器当前时间：                         ";  // and 25 blanks
constexpr const char* kClockPaneFullText = "控制器当前时间：0000-00-00 00:00:00";
constexpr const char* kIdleText = "  ";

struct MenuItem {
  int id;
  const char* text;
};

// The flat menu bar, in order; position 6 is the blank item with command 1.
constexpr MenuItem kMenu[] = {
    {cmd::kDevice, "设备"},
    {cmd::kConfig, "配置"},
    {cmd::kModbusTest, "ModBus协议测试"},
    {cmd::kReadLog, "读日志文件"},
    {cmd::kNetwork, "网络连接"},
    {cmd::kControllerInfo, "控制器基本信息"},
    {cmd::kBlank, ""},
    {cmd::kActions, "动作命令"},
    {cmd::kParameters, "参数设置"},
    {cmd::kRelay, "RD设置"},
    {cmd::kThresholdProbe, ""},
    {cmd::kSettingsBackup, "设置备份"},
    {cmd::kLinkStats, "通讯统计"},
    {cmd::kFrameLog, "通讯记录"},
    {cmd::kTrend, "趋势图"},
};

constexpr int kLockPanes[] = {2, 3, 4};

}  // namespace

CMainFrame::CMainFrame(SharedConfig& config, std::filesystem::path configFile, Prompter& prompter, Clock& clock)
    : config_(config),
      configFile_(std::move(configFile)),
      prompter_(prompter),
      clock_(clock),
      link_(clock),
      poller_(link_, config_, values_, *this),
      tools_{link_, config_, prompter_, values_, this} {
  setWindowTitle(QString::fromUtf8(kAppTitle));
  view_ = new CKAVIROView(this);
  setCentralWidget(view_);
  session_ = std::make_unique<NetworkSession>(*this);
  BuildMenu();
  BuildStatusBar();
  connect(&tooltipTimer_, &QTimer::timeout, this, [this] { RefreshLinkTooltip(); });
  tooltipTimer_.start(CLinkStatsDlg::kRefreshMs);
}

CLinkStatsDlg& CMainFrame::ShowLinkStats() {
  if (!statsPanel_) statsPanel_ = std::make_unique<CLinkStatsDlg>(link_, prompter_, this);
  statsPanel_->show();
  statsPanel_->raise();
  return *statsPanel_;
}

CFrameLogDlg& CMainFrame::ShowFrameLog() {
  if (!frameLog_) {
    const RegisterTable table = RegisterTableFor(config_.Get().language).value_or(RegisterTable{});
    frameLog_ = std::make_unique<CFrameLogDlg>(link_, table, [this](const RawFields& fields) {
      CModbusTestDlg console(tools_);
      console.FillRawFields(fields);
      RunToolDialog(console);
    }, this);
  }
  frameLog_->show();
  frameLog_->raise();
  return *frameLog_;
}

CTrendDlg& CMainFrame::ShowTrend() {
  if (!trend_) trend_ = std::make_unique<CTrendDlg>(config_.Get().language, prompter_, this);
  trend_->show();
  trend_->raise();
  return *trend_;
}

void CMainFrame::RefreshLinkTooltip() {
  panes_[0]->setToolTip(QString::fromStdString(diag::StatsTooltip(link_.StatsNow())));
}

CMainFrame::~CMainFrame() {
  statsPanel_.reset();  // its capture and the frame log leave the link before the link goes
  frameLog_.reset();
  // The worker ends its poll at the next check of its stop flag; nothing waits on a silent line.
  poller_.Stop();
  session_.reset();
}

void CMainFrame::BuildMenu() {
  QMenuBar* bar = menuBar();
  for (const MenuItem& item : kMenu) {
    QAction* action = bar->addAction(QString::fromUtf8(item.text));
    action->setObjectName(QString::number(item.id));
    commands_[item.id] = action;
  }
  connect(commands_[cmd::kConfig], &QAction::triggered, this, [this] { RunConfigCommand(); });
  connect(commands_[cmd::kLinkStats], &QAction::triggered, this, [this] { ShowLinkStats(); });
  connect(commands_[cmd::kFrameLog], &QAction::triggered, this, [this] { ShowFrameLog(); });
  connect(commands_[cmd::kTrend], &QAction::triggered, this, [this] { ShowTrend(); });
  connect(commands_[cmd::kNetwork], &QAction::triggered, this, [this] {
    if (config_.Get().workMode == 1) session_->ConnectOrDisconnect();
  });
  for (int id : {cmd::kModbusTest, cmd::kReadLog, cmd::kControllerInfo, cmd::kActions, cmd::kParameters, cmd::kRelay,
                 cmd::kThresholdProbe, cmd::kSettingsBackup}) {
    commands_[id]->setEnabled(false);  // until its dialog is registered
    connect(commands_[id], &QAction::triggered, this, [this, id] {
      const auto found = dialogs_.find(id);
      if (found == dialogs_.end()) return;
      std::unique_ptr<QDialog> dialog = found->second(tools_);
      RunToolDialog(*dialog);
    });
  }
  if (config_.Get().workMode != 1) commands_[cmd::kBlank]->setEnabled(false);

  // Moving through the menu shows the (empty) prompts; leaving it shows the idle text.
  for (auto& [id, action] : commands_)
    connect(action, &QAction::hovered, this, [this] { panes_[0]->setText(QString()); });
  bar->installEventFilter(this);
}

void CMainFrame::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  for (int i = 0; i < 5; ++i) {
    panes_[i] = new QLabel(this);
    panes_[i]->setObjectName(QStringLiteral("pane%1").arg(i));
  }
  bar->addWidget(panes_[0], 1);
  // Sized for the caption and 25 blanks; in fonts where digits are wider than blanks that would
  // cut the time off, so the pane is never narrower than a whole clock text.
  const QFontMetrics metrics = panes_[1]->fontMetrics();
  panes_[1]->setFixedWidth(std::max(metrics.horizontalAdvance(QString::fromUtf8(kClockPaneSample)),
                                    metrics.horizontalAdvance(QString::fromUtf8(kClockPaneFullText)) + 8));
  panes_[2]->setText(QString::fromUtf8("大写"));
  panes_[3]->setText(QString::fromUtf8("数字"));
  panes_[4]->setText(QString::fromUtf8("滚动"));
  for (int i = 1; i < 5; ++i) bar->addPermanentWidget(panes_[i]);
  RefreshLockIndicators();
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, [this] { RefreshLockIndicators(); });
  timer->start(250);
}

void CMainFrame::RefreshLockIndicators() {
  const std::optional<KeyboardLocks> locks = QueryKeyboardLocks();
  const bool lit[] = {locks && locks->caps, locks && locks->num, locks && locks->scroll};
  for (int i = 0; i < 3; ++i) panes_[kLockPanes[i]]->setEnabled(lit[i]);
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Whatever show state the window is opened with, it opens maximised.
  if (!(windowState() & Qt::WindowMaximized)) {
    // Without a window manager to honour the state, the window still covers the screen.
    if (const QScreen* s = screen()) setGeometry(s->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
  }
  if (!initialised_) {
    initialised_ = true;
    InitialUpdate();
  }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == menuBar() && event->type() == QEvent::Leave) panes_[0]->setText(QString::fromUtf8(kIdleText));
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::InitialUpdate() {
  view_->SetUpColumns(config_.Get().language);
  FillList();
}

void CMainFrame::FillList() {
  session_->Reset();
  table_ = RegisterTableFor(config_.Get().language);
  if (!table_) return;
  view_->Fill(*table_);
  poller_.Start();
}

void CMainFrame::RegisterToolDialog(int commandId, DialogFactory factory) {
  dialogs_[commandId] = std::move(factory);
  if (QAction* action = MenuCommand(commandId)) action->setEnabled(true);
}

QAction* CMainFrame::MenuCommand(int commandId) const {
  const auto found = commands_.find(commandId);
  return found == commands_.end() ? nullptr : found->second;
}

void CMainFrame::RunToolDialog(QDialog& dialog) {
  poller_.SetEnabled(false);
  clock_.SleepMs(kToolDialogPauseMs);
  dialog.exec();
  poller_.SetEnabled(true);
}

void CMainFrame::RunConfigCommand() {
  poller_.SetEnabled(false);
  const int oldMode = config_.Get().workMode;
  {
    CConfigDlg dialog(*this);
    dialog.exec();
  }
  const int newMode = config_.Get().workMode;
  if (oldMode == 1 && newMode != 1) {
    if (link_.Connected() && session_->HasLink()) session_->CloseSilently();
  } else if (oldMode != 1 && newMode == 1) {
    ReportConnectionLost();
  }
  poller_.SetEnabled(true);
}

void CMainFrame::ReportConnectionLost() {
  view_->ClearValues();
  SetStatusText(QString::fromUtf8(kConnectionLostText));
}

void CMainFrame::SetStatusText(const QString& text) { panes_[0]->setText(text); }

QString CMainFrame::StatusText(int pane) const { return pane >= 0 && pane < 5 ? panes_[pane]->text() : QString(); }

void CMainFrame::SetNetworkMenuText(bool connected) {
  commands_[cmd::kNetwork]->setText(QString::fromUtf8(connected ? "断开网络" : "网络连接"));
}

void CMainFrame::OnBlockDecoded(const DecodedTexts& texts) {
  Post([this, texts] {
    if (table_) PlaceTexts(*table_, *view_, texts);
    if (trend_) trend_->Take(texts);
    if (texts.clock) panes_[1]->setText(QString::fromStdString(*texts.clock));
    if (texts.status) SetStatusText(QString::fromStdString(*texts.status));
  });
}

void CMainFrame::OnStatusText(const std::string& text) {
  Post([this, text] { SetStatusText(QString::fromStdString(text)); });
}

void CMainFrame::OnMessage(const std::string& text) {
  messageOpen_.store(true);  // set on the polling thread, before its next pass looks
  Post([this, text] {
    prompter_.Message(this, QString::fromStdString(text));
    messageOpen_.store(false);
  });
}

void CMainFrame::OnConnectionLost() {
  Post([this] { ReportConnectionLost(); });
}

void CMainFrame::OnPollEnded(PollResult) {
  const int64_t endedMs = QDateTime::currentMSecsSinceEpoch();  // when the poll ended, not when shown
  Post([this, endedMs] {
    if (trend_) trend_->EndPoll(endedMs);
  });
}

void CMainFrame::Post(std::function<void()> update) {
  {
    std::lock_guard lock(pendingMutex_);
    pending_.push_back(std::move(update));
  }
  // The updates travel through our own queue; the queued call only wakes this thread up.
  QMetaObject::invokeMethod(this, "ApplyPendingUpdates", Qt::QueuedConnection);
}

void CMainFrame::ApplyPendingUpdates() {
  std::deque<std::function<void()>> updates;
  {
    std::lock_guard lock(pendingMutex_);
    updates.swap(pending_);
  }
  for (auto& update : updates) update();
}

}  // namespace kaviro
