#pragma once
#include <QMainWindow>
#include <QTimer>
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "config/app_config.h"
#include "link/link_service.h"
#include "monitor/decoded_values.h"
#include "monitor/poll_worker.h"
#include "monitor/register_tables.h"
#include "res/menu_commands.h"
#include "tools/common/tool_context.h"

class QDialog;
class QLabel;

namespace kaviro {

class CKAVIROView;
class CLinkStatsDlg;
class CFrameLogDlg;
class CTrendDlg;
class NetworkSession;
class Prompter;

// The main window: owner of the live link state, the poll worker and the network session, with
// the register list, the status bar and the flat menu bar.
class CMainFrame final : public QMainWindow, public PollObserver {
  Q_OBJECT
 public:
  using DialogFactory = std::function<std::unique_ptr<QDialog>(const ToolContext&)>;

  CMainFrame(SharedConfig& config, std::filesystem::path configFile, Prompter& prompter,
             Clock& clock = SystemClock::Instance());
  ~CMainFrame() override;

  // What the tool dialogs work with. `values()` is shared with the poll: touch it only while
  // holding link().Mutex().
  LinkService& link() { return link_; }
  DecodedValues& values() { return values_; }
  SharedConfig& config() { return config_; }
  Prompter& prompter() { return prompter_; }
  Clock& clock() { return clock_; }
  PollWorker& poller() { return poller_; }
  CKAVIROView& view() { return *view_; }
  NetworkSession& session() { return *session_; }
  const std::filesystem::path& configFile() const { return configFile_; }

  // Menu commands whose dialogs exist are enabled by registering them.
  void RegisterToolDialog(int commandId, DialogFactory factory);
  QAction* MenuCommand(int commandId) const;
  // Polling paused, 100 ms, the dialog, polling resumed.
  void RunToolDialog(QDialog& dialog);
  void RunConfigCommand();
  // The live link statistics panel, opened beside the list (not modal: polling goes on).
  CLinkStatsDlg& ShowLinkStats();
  // The frame log window beside the list; its requests go to a fresh raw frame console.
  CFrameLogDlg& ShowFrameLog();
  // The trend window beside the list, fed by every poll while it exists (also when hidden).
  CTrendDlg& ShowTrend();
  // The link pane's tooltip: the counters, as of the last refresh.
  void RefreshLinkTooltip();

  // Value column emptied and the lost-connection text in pane 0.
  void ReportConnectionLost();
  void SetStatusText(const QString& text);  // pane 0
  QString StatusText(int pane) const;
  void SetNetworkMenuText(bool connected);

  // PollObserver: called on the polling thread, queued to this one.
  void OnBlockDecoded(const DecodedTexts& texts) override;
  void OnStatusText(const std::string& text) override;
  void OnMessage(const std::string& text) override;
  bool MessageOpen() const override { return messageOpen_.load(); }
  void OnConnectionLost() override;
  void OnPollEnded(PollResult result) override;

  // Runs the updates the polling thread posted, in order, on this thread.
  Q_INVOKABLE void ApplyPendingUpdates();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu();
  void BuildStatusBar();
  void InitialUpdate();
  void FillList();
  void RefreshLockIndicators();
  void Post(std::function<void()> update);

  SharedConfig& config_;
  std::filesystem::path configFile_;
  Prompter& prompter_;
  Clock& clock_;
  LinkService link_;
  DecodedValues values_{};
  PollWorker poller_;
  ToolContext tools_;  // what every tool dialog is opened with
  CKAVIROView* view_ = nullptr;
  std::unique_ptr<NetworkSession> session_;
  std::optional<RegisterTable> table_;
  std::map<int, QAction*> commands_;
  std::map<int, DialogFactory> dialogs_;
  QLabel* panes_[5] = {};
  QTimer tooltipTimer_;
  std::unique_ptr<CLinkStatsDlg> statsPanel_;
  std::unique_ptr<CFrameLogDlg> frameLog_;
  std::unique_ptr<CTrendDlg> trend_;
  bool initialised_ = false;
  std::atomic<bool> messageOpen_{false};
  std::mutex pendingMutex_;
  std::deque<std::function<void()>> pending_;
};

}  // namespace kaviro
