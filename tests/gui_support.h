#pragma once
// What every GUI test shares: a prompter that records every message, waiting on the event loop,
// and acting on the next modal dialog.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

#include "res/prompter.h"

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
  QString OpenFileName(QWidget*, const QString& filter) override {
    filters.push_back(filter);
    return openAs;
  }
  QString FolderName(QWidget*) override { return folder; }
  QStringList texts;
  QStringList captions;
  QList<QWidget*> owners;
  QStringList filters;
  QString saveAs;  // what the save dialog answers; empty: cancelled
  QString openAs;  // what the open dialog answers; empty: cancelled
  QString folder;  // what the folder dialog answers; empty: cancelled
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

// No real serial port is touched unless a test maps one: COM1 to COM9 lead into `dir`.
inline void HideSerialPorts(const std::filesystem::path& dir) {
  for (int com = 1; com <= 9; ++com)
    setenv(("KAVIRO_COM" + std::to_string(com)).c_str(), (dir / "no-such-tty").c_str(), 1);
}

}  // namespace kaviro::testing
