// The link statistics panel and the link pane's tooltip, offscreen.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>

#include "app/gui_fixture.h"
#include "diag/capture_reader.h"
#include "monitor/poll_worker.h"
#include "res/dialog_builder.h"
#include "res/link_stats_dialog_ids.h"
#include "res/menu_commands.h"
#include "tools/diag/link_stats_dialog.h"
#include "tools/tool_fixture.h"

namespace kaviro {
namespace {

using namespace link_stats_ids;

class LinkStatsPanelTest : public testing::ToolTest {
 protected:
  // The value shown next to `label`.
  QString Figure(const CLinkStatsDlg& panel, const char* label) {
    const auto* list = res::Control<QTableWidget>(panel, kFigures);
    for (int r = 0; r < list->rowCount(); ++r)
      if (list->item(r, 0)->text() == QString::fromUtf8(label)) return list->item(r, 1)->text();
    return "missing";
  }
  void SilentRead() {
    std::lock_guard lock(link.Mutex());
    link.Exchange(LinkMode::kSerial, ReadRegisters(1, fn::kReadInput, 0, 90), 185, PollBlockPolicy(PollBlocks()[0]));
  }
};

TEST_F(LinkStatsPanelTest, ShowsTheCountersAndResetsThem) {
  CLinkStatsDlg panel(link, prompter);
  EXPECT_EQ(panel.windowTitle(), QString::fromUtf8("通讯统计"));
  SilentRead();
  SilentRead();
  EXPECT_EQ(Figure(panel, "超时"), "0") << "refreshed by the timer, not at once";
  panel.Refresh();
  EXPECT_EQ(Figure(panel, "请求"), "2");
  EXPECT_EQ(Figure(panel, "超时"), "2");
  EXPECT_EQ(Figure(panel, "发送字节"), "16");
  EXPECT_TRUE(Figure(panel, "最近错误").startsWith("no answer"));
  res::Control<QPushButton>(panel, kReset)->click();
  EXPECT_EQ(Figure(panel, "超时"), "0");
  EXPECT_EQ(Figure(panel, "最近错误"), "-");
}

TEST_F(LinkStatsPanelTest, RecordsFramesBetweenStartAndStop) {
  CLinkStatsDlg panel(link, prompter);
  auto* record = res::Control<QPushButton>(panel, kRecord);
  const std::string file = (dir / "link.pcap").string();

  prompter.saveAs.clear();  // the save dialog cancelled: nothing recorded
  record->click();
  EXPECT_FALSE(panel.Recording());
  EXPECT_EQ(record->text(), QString::fromUtf8("开始记录"));

  prompter.saveAs = QString::fromStdString(file);
  record->click();
  ASSERT_TRUE(panel.Recording());
  EXPECT_EQ(record->text(), QString::fromUtf8("停止记录"));
  EXPECT_EQ(res::Control<QLineEdit>(panel, kRecordFile)->text(), QString::fromStdString(file));
  SilentRead();
  record->click();
  EXPECT_EQ(record->text(), QString::fromUtf8("开始记录"));
  SilentRead();  // after the stop: not in the file
  const std::optional<diag::Capture> capture = diag::ReadCapture(file);
  ASSERT_TRUE(capture);
  ASSERT_EQ(capture->packets.size(), 1u);
  EXPECT_EQ(capture->packets[0].data.size(), 8u);

  prompter.saveAs = QString::fromStdString((dir / "no-such-dir" / "x.pcap").string());
  record->click();
  EXPECT_FALSE(panel.Recording());
  ASSERT_FALSE(prompter.texts.isEmpty());
  EXPECT_TRUE(prompter.texts.back().endsWith("No such file or directory")) << prompter.texts.back().toStdString();
}

class LinkStatsMenuTest : public testing::GuiTest {};

TEST_F(LinkStatsMenuTest, MenuItemAfterTheToolsOpensThePanelAndTheLinkPaneTellsTheCounters) {
  CMainFrame& f = Start();
  QAction* item = f.MenuCommand(cmd::kLinkStats);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->text(), QString::fromUtf8("通讯统计"));
  const QList<QAction*> menu = f.menuBar()->actions();
  EXPECT_EQ(menu.indexOf(item), menu.indexOf(f.MenuCommand(cmd::kSettingsBackup)) + 1);
  item->trigger();
  CLinkStatsDlg& panel = f.ShowLinkStats();
  EXPECT_TRUE(panel.isVisible());
  EXPECT_FALSE(panel.isModal());
  f.RefreshLinkTooltip();
  EXPECT_FALSE(f.findChild<QLabel*>("pane0")->toolTip().isEmpty());
}

}  // namespace
}  // namespace kaviro
