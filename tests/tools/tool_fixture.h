#pragma once
// A tool dialog's surroundings without a main window: a link of its own on a scripted serial
// port and virtual time, the settings, the decoded values, a stand-in main window, and a
// prompter that records every message. Nothing polls, as while a dialog opened from the menu runs.
#include <gtest/gtest.h>

#include <QWidget>
#include <filesystem>
#include <functional>

#include "config/app_config.h"
#include "gui_support.h"
#include "link/fake_link.h"
#include "link/link_service.h"
#include "monitor/decoded_values.h"
#include "scratch.h"
#include "tools/common/tool_context.h"

namespace kaviro::testing {

class ToolTest : public ::testing::Test {
 protected:
  ToolTest() { link.UseSerialDevice(&port); }
  void SetUp() override {
    ASSERT_FALSE(dir.empty());
    HideSerialPorts(dir);
  }
  // The settings of a fresh config.txt with `edit` applied.
  void Configure(const std::function<void(AppConfig&)>& edit) {
    AppConfig c = AppConfig::Defaults();
    edit(c);
    config.Set(c);
  }
  ToolContext Context() { return {link, config, prompter, values, &window}; }

  ScratchDir scratch{"gui"};
  std::filesystem::path dir = scratch.path();
  FakeClock clock;
  ScriptedPort port{clock};
  RecordingPrompter prompter;
  SharedConfig config;  // a fresh config.txt's
  LinkService link{clock};  // gone before the port it uses
  DecodedValues values{};
  QWidget window;
};

}  // namespace kaviro::testing
