#pragma once
#include <QString>

class QWidget;

namespace kaviro {

inline constexpr const char* kAppTitle = "KAVIRO寄存器";

// Every message box of the tool goes through here, so tests can record the texts.
class Prompter {
 public:
  virtual ~Prompter() = default;
  // A modal message with an OK button; an empty caption means the application title.
  virtual void Message(QWidget* owner, const QString& text, const QString& caption = {}) = 0;
  // The save-file dialog; `filter` is "name|pattern|...||". An empty result means cancelled.
  virtual QString SaveFileName(QWidget* owner, const QString& filter) = 0;
  // The open-file dialog, filtered alike.
  virtual QString OpenFileName(QWidget* owner, const QString& filter) = 0;
  // The choose-a-folder dialog. An empty result means cancelled.
  virtual QString FolderName(QWidget* owner) = 0;
};

class MessageBoxPrompter final : public Prompter {
 public:
  void Message(QWidget* owner, const QString& text, const QString& caption = {}) override;
  QString SaveFileName(QWidget* owner, const QString& filter) override;
  QString OpenFileName(QWidget* owner, const QString& filter) override;
  QString FolderName(QWidget* owner) override;
};

}  // namespace kaviro
