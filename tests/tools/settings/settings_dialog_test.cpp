// The settings backup dialog opened from the menu against the simulated controller: save, compare
// with a file that differs in one setting, write the ticked row, and nothing differs after.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/gui_fixture.h"
#include "app/tool_menu.h"
#include "res/dialog_builder.h"
#include "res/menu_commands.h"
#include "res/settings_backup_dialog_ids.h"
#include "sim/sim_process.h"
#include "tools/settings/settings_file.h"

namespace kaviro {
namespace {

using namespace settings_ids;

class SettingsDialogSimTest : public testing::GuiTest {
 protected:
  void TearDown() override {
    GuiTest::TearDown();
    sim.Stop();
  }
  // The table's ticked rows, by name.
  static std::vector<std::string> Ticked(QDialog& d) {
    std::vector<std::string> names;
    auto* table = res::Control<QTableWidget>(d, kTable);
    for (int row = 0; row < table->rowCount(); ++row)
      if (table->item(row, kNameColumn)->checkState() == Qt::Checked)
        names.push_back(table->item(row, kNameColumn)->text().toStdString());
    return names;
  }
  static int Row(QDialog& d, const char* name) {
    auto* table = res::Control<QTableWidget>(d, kTable);
    for (int row = 0; row < table->rowCount(); ++row)
      if (table->item(row, kNameColumn)->text() == QString::fromUtf8(name)) return row;
    return -1;
  }
  static QString Cell(QDialog& d, const char* name, int column) {
    return res::Control<QTableWidget>(d, kTable)->item(Row(d, name), column)->text();
  }
  testing::SimProcess sim;
};

TEST_F(SettingsDialogSimTest, SaveCompareAndWriteTheTickedRows) {
  ASSERT_TRUE(sim.Start(KAVIRO_SIM_PATH, {"--tcp", "0"})) << sim.output();
  setenv("KAVIRO_TCP_PORT", std::to_string(sim.tcpPort()).c_str(), 1);
  Start([](AppConfig& c) {
    c.workMode = 1;
    c.controllerIp = 0x7F000001;
  });
  RegisterToolDialogs(*frame);
  ASSERT_TRUE(frame->MenuCommand(cmd::kSettingsBackup)->isEnabled());
  frame->MenuCommand(cmd::kNetwork)->trigger();
  ASSERT_TRUE(testing::WaitFor([&] { return frame->link().Connected(); }));
  prompter.texts.clear();  // the connection's own message
  const std::string file = (dir / "site.json").string();

  testing::WhenDialogOpens([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), QStringLiteral("设置备份"));
    prompter.saveAs = QString::fromStdString(file);
    res::Control<QPushButton>(d, kSave)->click();
    ASSERT_EQ(prompter.texts.size(), 1) << prompter.texts.join('|').toStdString();
    EXPECT_EQ(prompter.texts.back(), QStringLiteral("已保存41项设置，0项无法读取"));
    EXPECT_EQ(prompter.filters.back(), QStringLiteral("设置文件 (*.json)|*.json||"));

    // The file as another controller's: its minimum voltage and its MAC differ.
    const Result<Snapshot> saved = LoadSettingsFile(file);
    ASSERT_TRUE(saved.ok()) << saved.Text();
    nlohmann::json doc = nlohmann::json::parse(SettingsFileText(*saved.value));
    for (auto& e : doc["settings"]) {
      if (e["name"] == "battery-min") e["words"] = {1150}, e["text"] = "11.50";
      if (e["name"] == "mac") e["words"] = {0x024b, 0x5652, 0x0009}, e["text"] = "024b56520009";
      if (e["name"] == "ident-serial") e["words"] = {'2', '4', '0', '5', '9', '9', '9', '9'}, e["text"] = "24059999";
    }
    std::ofstream(file, std::ios::trunc) << doc.dump(2);

    prompter.openAs = QString::fromStdString(file);
    res::Control<QPushButton>(d, kCompare)->click();
    EXPECT_EQ(prompter.texts.size(), 1) << prompter.texts.back().toStdString();
    EXPECT_EQ(Ticked(d), std::vector<std::string>{"battery-min"});  // the MAC is not another controller's to take
    EXPECT_EQ(Cell(d, "battery-min", kFileColumn), QStringLiteral("11.50"));
    EXPECT_EQ(Cell(d, "battery-min", kControllerColumn), QStringLiteral("10.00"));
    EXPECT_EQ(Cell(d, "mac", kControllerColumn), QStringLiteral("024b56520001"));
    EXPECT_TRUE(res::Control<QLabel>(d, kFile)->text().endsWith(QStringLiteral("：1项不同")));

    res::Control<QPushButton>(d, kApply)->click();
    ASSERT_EQ(prompter.texts.size(), 2);
    EXPECT_EQ(prompter.texts.back(), QStringLiteral("已写入并核对：battery-min"));
    EXPECT_TRUE(Ticked(d).empty());
    EXPECT_EQ(Cell(d, "battery-min", kControllerColumn), QStringLiteral("11.50"));
    EXPECT_EQ(Cell(d, "mac", kControllerColumn), QStringLiteral("024b56520001"));
    EXPECT_TRUE(res::Control<QLabel>(d, kFile)->text().endsWith(QStringLiteral("：0项不同")));

    res::Control<QPushButton>(d, kApply)->click();
    EXPECT_EQ(prompter.texts.back(), QStringLiteral("没有勾选的设置"));
    d.reject();
  });
  frame->MenuCommand(cmd::kSettingsBackup)->trigger();
  EXPECT_FALSE(QApplication::overrideCursor()) << "the busy cursor is gone";
}

}  // namespace
}  // namespace kaviro
