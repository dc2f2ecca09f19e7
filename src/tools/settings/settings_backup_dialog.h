#pragma once
#include <QDialog>
#include <optional>

#include "tools/common/tool_context.h"
#include "tools/settings/snapshot.h"

namespace kaviro {

// Saves the controller's settings to a file, compares a file with the controller (a tick on each
// row that differs) and writes the ticked rows, through the same operations as kaviro-cli settings.
class CSettingsBackupDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CSettingsBackupDlg(const ToolContext& context);

  void Save();
  void Compare();
  void Apply();

 private:
  SettingsTarget Target() const;
  // The controller's snapshot, or nothing (and the message shown) when nothing could be read.
  std::optional<Snapshot> ReadLive();
  void ShowComparison(const Snapshot& live);
  void Say(const std::string& text);

  ToolContext context_;
  std::optional<Snapshot> file_;
  QString fileName_;
};

}  // namespace kaviro
