#pragma once
// A main window in its own scratch directory, with every message recorded.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/kaviro_view.h"
#include "app/main_frame.h"
#include "gui_support.h"
#include "scratch.h"

namespace kaviro::testing {

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.empty());
    HideSerialPorts(dir);
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
