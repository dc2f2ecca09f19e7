#pragma once
// A main window in its own scratch directory, with every message recorded.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <unistd.h>

#include "app/kaviro_view.h"
#include "app/main_frame.h"
#include "app/prompter.h"

#include "scratch.h"

namespace kaviro::testing {

class RecordingPrompter final : public Prompter {
 public:
  void Message(QWidget* owner, const QString& text, const QString& caption = {}) override {
    texts.push_back(text);
    captions.push_back(caption);
    owners.push_back(owner);
  }
  QString SaveFileName(QWidget*, const QString& filter) override {
    filters.push_back(filter);
    return saveAs;
  }
  QStringList texts;
  QStringList captions;
  QList<QWidget*> owners;
  QStringList filters;
  QString saveAs;  // what the save dialog answers; empty: cancelled
};

// Processes events until `done` holds or `timeoutMs` passes; true when it held.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    usleep(5000);
  }
  return true;
}

// Runs `action` on the modal dialog that opens next (once it is showing), from the event loop.
inline void WhenDialogOpens(std::function<void(QDialog&)> action) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      action(*dialog);
    }
  });
  timer->start();
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.empty());
    // No real serial port is touched unless a test maps one.
    for (int com = 1; com <= 9; ++com)
      setenv(("KAVIRO_COM" + std::to_string(com)).c_str(), (dir / "no-such-tty").c_str(), 1);
  }
  void TearDown() override { frame.reset(); }
  std::filesystem::path ConfigFile() const { return dir / "config.txt"; }
  // Start-up as the program does it: load (or create) config.txt, then the window.
  CMainFrame& Start(const std::function<void(AppConfig&)>& edit = {}, Clock& clock = SystemClock::Instance()) {
    AppConfig c = LoadConfig(ConfigFile());
    if (edit) {
      edit(c);
      SaveConfig(ConfigFile(), c);
    }
    config = std::make_unique<SharedConfig>(c);
    frame = std::make_unique<CMainFrame>(*config, ConfigFile(), prompter, clock);
    frame->show();
    QApplication::processEvents();
    return *frame;
  }
  QString Value(int row) const { return frame->view().Text(row, CKAVIROView::kValueColumn); }

  ScratchDir scratch{"gui"};  // removed after the window is gone
  std::filesystem::path dir = scratch.path();
  RecordingPrompter prompter;
  std::unique_ptr<SharedConfig> config;
  std::unique_ptr<CMainFrame> frame;
};

}  // namespace kaviro::testing
