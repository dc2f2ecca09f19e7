// Where the GUI started from the desktop menu keeps config.txt: the XDG rule, and the folder
// made on first start.
#include <gtest/gtest.h>


#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "config/app_config.h"
#include "scratch.h"

namespace kaviro {
namespace {

namespace fs = std::filesystem;

TEST(UserConfigDir, FollowsXdgConfigHomeElseHomeDotConfig) {
  testing::ScratchDir scratch{"config"};
  const std::string xdg = (scratch / "xdg" / "deep").string();
  const std::string home = (scratch / "home").string();
  const std::optional<std::string> none;
  const struct {
    const char* name;
    std::optional<std::string> xdgConfigHome, home;
    fs::path expected;
  } cases[] = {
      {"XDG_CONFIG_HOME set", xdg, home, fs::path(xdg) / "kaviro"},
      {"XDG_CONFIG_HOME unset", none, home, fs::path(home) / ".config" / "kaviro"},
      {"XDG_CONFIG_HOME empty", std::string(), home, fs::path(home) / ".config" / "kaviro"},
      {"XDG_CONFIG_HOME relative", std::string("rel/cfg"), home, fs::path(home) / ".config" / "kaviro"},
      {"XDG_CONFIG_HOME set, HOME unset", xdg, none, fs::path(xdg) / "kaviro"},
  };
  for (const auto& c : cases) {
    fs::remove_all(scratch / "xdg");
    fs::remove_all(scratch / "home");
    const fs::path dir = UserConfigDir(c.xdgConfigHome ? c.xdgConfigHome->c_str() : nullptr,
                                       c.home ? c.home->c_str() : nullptr);
    EXPECT_EQ(dir, c.expected) << c.name;
    EXPECT_TRUE(fs::is_directory(dir)) << c.name;  // made with its parents on first start
    EXPECT_FALSE(fs::exists(fs::current_path() / "rel")) << c.name;
  }
}

TEST(UserConfigDir, NoUsableHomeKeepsTheCurrentDirectory) {
  EXPECT_EQ(UserConfigDir(nullptr, nullptr), fs::current_path());
  EXPECT_EQ(UserConfigDir("", ""), fs::current_path());
  EXPECT_EQ(UserConfigDir("rel", "also-rel"), fs::current_path());
}

TEST(UserConfigDir, FirstStartWritesConfigThereAndLaterStartsReadIt) {
  testing::ScratchDir scratch{"config"};
  const std::string home = scratch.path().string();
  const fs::path file = ConfigPath(UserConfigDir(nullptr, home.c_str()));
  EXPECT_EQ(LoadConfig(file), AppConfig::Defaults());
  ASSERT_EQ(fs::file_size(scratch / ".config/kaviro/config.txt"), sizeof(AppConfig));

  AppConfig changed = AppConfig::Defaults();
  changed.comPort = 5;
  ASSERT_TRUE(SaveConfig(file, changed));
  EXPECT_EQ(LoadConfig(ConfigPath(UserConfigDir(nullptr, home.c_str()))), changed);
}

TEST(UserConfigDir, FolderThatCannotBeMadeLeavesDefaultsInMemory) {
  testing::ScratchDir scratch{"config"};
  std::ofstream(scratch / "plain-file") << "x";  // XDG_CONFIG_HOME names a file
  const std::string xdg = (scratch / "plain-file").string();
  const fs::path dir = UserConfigDir(xdg.c_str(), nullptr);
  EXPECT_FALSE(fs::exists(dir));
  EXPECT_EQ(LoadConfig(ConfigPath(dir)), AppConfig::Defaults());
}

}  // namespace
}  // namespace kaviro
