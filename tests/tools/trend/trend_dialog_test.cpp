// The trend window offscreen: what it opens with, what a poll draws, pause and zoom, the picture
// and the recording; and the main window feeding it from its polls of the simulator.
#include <QAction>
#include <QCheckBox>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QValueAxis>
#include <fstream>
#include <sstream>

#include "app/gui_fixture.h"
#include "monitor/time_texts.h"
#include "res/dialog_builder.h"
#include "res/menu_commands.h"
#include "res/trend_dialog_ids.h"
#include "sim/sim_process.h"
#include "tools/trend/trend_dialog.h"

namespace kaviro {
namespace {

using namespace trend_ids;
using testing::WaitFor;

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class TrendDialogTest : public ::testing::Test {
 protected:
  // One poll bringing the four registers the Chinese list opens with.
  void Poll(int64_t ms, const char* battery, const char* charge, const char* loadVolts, const char* loadAmps) {
    dialog.Take({{{0x0018, battery}, {0x0027, charge}, {0x001B, loadVolts}, {0x001D, loadAmps}, {0x0032, "浮充阶段"}},
                 std::nullopt, std::nullopt});
    dialog.EndPoll(ms);
  }
  QValueAxis* AxisOf(QAbstractSeries* series) {
    const auto axes = dialog.chart()->axes(Qt::Vertical, series);
    return axes.size() == 1 ? static_cast<QValueAxis*>(axes[0]) : nullptr;
  }
  size_t IndexOf(uint16_t address) {
    size_t i = 0;
    while (i < dialog.history().registers().size() && dialog.history().registers()[i].address != address) ++i;
    return i;
  }
  void Tick(uint16_t address, bool ticked) {
    res::Control<QTableWidget>(dialog, kRegisters)
        ->item(static_cast<int>(IndexOf(address)), kName)
        ->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
  }

  testing::ScratchDir scratch{"gui"};
  testing::RecordingPrompter prompter;
  CTrendDlg dialog{1, prompter};
  const int64_t t0 = 1'800'000'000'000;
};

TEST_F(TrendDialogTest, APollDrawsTheTickedRegistersOnOneAxisPerUnit) {
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("趋势图"));
  EXPECT_FALSE(dialog.isModal());
  dialog.show();
  Poll(t0, "12.50", "3.2", "12.40", "1.5");
  Poll(t0 + 3000, "13.50", "4.0", "12.30", "1.5");

  QChart* chart = dialog.chart();
  ASSERT_EQ(chart->series().size(), 4);
  std::map<QString, QLineSeries*> byName;
  for (QAbstractSeries* s : chart->series()) byName[s->name()] = qobject_cast<QLineSeries*>(s);
  QLineSeries* battery = byName[QString::fromUtf8("蓄电池电压（滤波t=？s）")];
  QLineSeries* charge = byName[QString::fromUtf8("滤波充电电流")];
  ASSERT_TRUE(battery && charge);
  ASSERT_EQ(battery->count(), 2);
  EXPECT_DOUBLE_EQ(battery->at(1).y(), 13.50);
  EXPECT_DOUBLE_EQ(battery->at(1).x(), static_cast<double>(t0 + 3000));

  // Volts share one axis, amps another; each holds every value drawn on it.
  QValueAxis* volts = AxisOf(battery);
  QValueAxis* amps = AxisOf(charge);
  ASSERT_TRUE(volts && amps);
  EXPECT_NE(volts, amps);
  EXPECT_EQ(AxisOf(byName[QString::fromUtf8("滤波负载电压")]), volts);
  EXPECT_EQ(chart->axes(Qt::Vertical).size(), 2);
  EXPECT_EQ(volts->titleText(), QStringLiteral("V"));
  EXPECT_LT(volts->min(), 12.30);
  EXPECT_GT(volts->max(), 13.50);
  EXPECT_LT(amps->min(), 1.5);
  EXPECT_GT(amps->max(), 4.0);
  const auto time = chart->axes(Qt::Horizontal);
  ASSERT_EQ(time.size(), 1);
  const auto* span = static_cast<QDateTimeAxis*>(time[0]);
  EXPECT_EQ(span->max().toMSecsSinceEpoch(), t0 + 3000);
  EXPECT_EQ(span->min().toMSecsSinceEpoch(), t0 + 3000 - 10 * 60 * 1000);  // 10 minutes first

  Tick(0x0027, false);
  EXPECT_EQ(dialog.chart()->series().size(), 3);
  Tick(0x0018, false);
  Tick(0x001B, false);
  Tick(0x001D, false);
  EXPECT_EQ(dialog.chart()->series().size(), 0);
  Tick(0x0018, true);  // its past is there at once
  ASSERT_EQ(dialog.chart()->series().size(), 1);
  EXPECT_EQ(qobject_cast<QLineSeries*>(dialog.chart()->series()[0])->count(), 2);
}

TEST_F(TrendDialogTest, PauseAndZoomHoldThePictureResetFollowsThePollsAgain) {
  dialog.show();
  Poll(t0, "12.50", "3.2", "12.40", "1.5");
  QChart* held = dialog.chart();
  auto* pause = res::Control<QCheckBox>(dialog, kPause);

  // A drag on the chart zooms it, and holds it.
  auto* view = dialog.findChild<QChartView*>();
  ASSERT_TRUE(view);
  QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseMove(view->viewport(), QPoint(200, 180));
  QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(200, 180));
  EXPECT_TRUE(pause->isChecked());
  Poll(t0 + 3000, "13.50", "4.0", "12.30", "1.5");
  EXPECT_EQ(dialog.chart(), held);
  EXPECT_EQ(qobject_cast<QLineSeries*>(held->series()[0])->count(), 1);
  EXPECT_EQ(dialog.history().Samples(IndexOf(0x0018)).size(), 2u) << "the polls are kept while the picture is held";

  res::Control<QPushButton>(dialog, kResetZoom)->click();
  EXPECT_FALSE(pause->isChecked());
  ASSERT_NE(dialog.chart(), held);
  EXPECT_EQ(qobject_cast<QLineSeries*>(dialog.chart()->series()[0])->count(), 2);

  // A shorter span takes the older samples off.
  res::Control<QComboBox>(dialog, kMinutes)->setCurrentIndex(0);
  Poll(t0 + 5 * 60 * 1000 + 4000, "13.00", "2.0", "12.30", "1.5");
  EXPECT_EQ(qobject_cast<QLineSeries*>(dialog.chart()->series()[0])->count(), 1);
}

TEST_F(TrendDialogTest, SavesThePictureAsPng) {
  dialog.show();
  Poll(t0, "12.50", "3.2", "12.40", "1.5");
  Poll(t0 + 3000, "13.50", "4.0", "12.30", "1.5");
  prompter.saveAs = QString::fromStdString((scratch.path() / "trend").string());
  res::Control<QPushButton>(dialog, kSavePicture)->click();
  QImage image;
  ASSERT_TRUE(image.load(prompter.saveAs + ".png"));
  EXPECT_FALSE(image.isNull());
  int drawn = 0;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2)
      if (image.pixel(x, y) != image.pixel(0, 0)) ++drawn;
  EXPECT_GT(drawn, 500) << "lines, axes and labels";

  prompter.saveAs = "/nonexistent-kaviro-folder/trend.png";
  res::Control<QPushButton>(dialog, kSavePicture)->click();
  ASSERT_FALSE(prompter.texts.isEmpty());
  EXPECT_EQ(prompter.texts.back(), QString::fromUtf8("无法创建文件：/nonexistent-kaviro-folder/trend.png"));
}

TEST_F(TrendDialogTest, RecordsEveryPollOfTheTickedRegistersUntilStopped) {
  auto* record = res::Control<QPushButton>(dialog, kRecord);
  record->click();  // the folder dialog cancelled: nothing
  EXPECT_FALSE(dialog.Recording());
  prompter.folder = QString::fromStdString(scratch.path().string());
  record->click();
  ASSERT_TRUE(dialog.Recording());
  EXPECT_EQ(record->text(), QString::fromUtf8("停止记录"));
  Poll(t0, "12.50", "3.2", "12.40", "1.5");
  Poll(t0 + 3000, "13.50", "4.0", "12.30", "1.5");
  const std::filesystem::path file = res::Control<QLineEdit>(dialog, kRecordFile)->text().toStdString();
  EXPECT_EQ(file.parent_path(), scratch.path());
  const std::string stamp0 = LocalTimestamp(t0 / 1000), stamp1 = LocalTimestamp(t0 / 1000 + 3);
  EXPECT_EQ(FileText(file),
            "timestamp,蓄电池电压（滤波t=？s） (V),滤波充电电流 (A),滤波负载电流 (A),滤波负载电压 (V)\r\n" + stamp0 +
                ",12.50,3.2,1.5,12.40\r\n" + stamp1 + ",13.50,4.0,1.5,12.30\r\n")
      << "the columns in list order";

  // Other columns: a file of their own, the first one left as it is.
  const std::string first = FileText(file);
  Tick(0x0027, false);
  Poll(t0 + 6000, "13.60", "4.1", "12.20", "1.4");
  EXPECT_EQ(FileText(file), first);
  const std::filesystem::path second = res::Control<QLineEdit>(dialog, kRecordFile)->text().toStdString();
  EXPECT_NE(second, file);
  EXPECT_NE(FileText(second).find(",13.60,1.4,12.20\r\n"), std::string::npos) << FileText(second);

  record->click();
  EXPECT_FALSE(dialog.Recording());
  EXPECT_EQ(record->text(), QString::fromUtf8("记录CSV"));
  const std::string stopped = FileText(second);
  Poll(t0 + 9000, "13.70", "4.2", "12.10", "1.3");
  EXPECT_EQ(FileText(second), stopped);
}

class TrendFrameTest : public testing::GuiTest {
 protected:
  void TearDown() override {
    GuiTest::TearDown();
    sim.Stop();
  }
  testing::SimProcess sim;
};

TEST_F(TrendFrameTest, TheMenuItemOpensItAndThePollsOfTheSimulatorFeedIt) {
  const std::string tty = testing::SimProcess::UniquePath("gui");
  ASSERT_TRUE(sim.Start(KAVIRO_SIM_PATH, {"--pty", tty})) << sim.output();
  setenv("KAVIRO_COM2", tty.c_str(), 1);
  CMainFrame& f = Start([](AppConfig& c) { c.pollInterval = 1; });
  QAction* item = f.MenuCommand(cmd::kTrend);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->text(), QString::fromUtf8("趋势图"));
  const QList<QAction*> menu = f.menuBar()->actions();
  EXPECT_EQ(menu.indexOf(item), menu.indexOf(f.MenuCommand(cmd::kFrameLog)) + 1);
  item->trigger();
  CTrendDlg& trend = f.ShowTrend();
  EXPECT_TRUE(trend.isVisible());

  // The battery voltage drawn is the one the list shows (row 15), poll after poll.
  size_t battery = 0;
  while (trend.history().registers()[battery].address != 0x0018) ++battery;
  const auto& samples = trend.history().Samples(battery);
  ASSERT_TRUE(WaitFor(
      [&] { return samples.size() >= 2 && TrendNumber(Value(15).toStdString()) == samples.back().value; }, 15000))
      << samples.size() << " samples; the list shows " << Value(15).toStdString();
  EXPECT_EQ(trend.chart()->series().size(), 4);
}

}  // namespace
}  // namespace kaviro
