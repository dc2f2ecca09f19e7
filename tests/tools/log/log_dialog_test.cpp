// The log reader dialog: its controls, stacking reads, and the two exports.
#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QTabWidget>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <fstream>
#include <iterator>

#include "app/gui_fixture.h"
#include "app/tool_menu.h"
#include "link/fake_link.h"
#include "res/dialog_builder.h"
#include "res/log_dialog_ids.h"
#include "sim/sim_process.h"
#include "tools/log/log_read_dialog.h"
#include "tools/tool_fixture.h"

namespace kaviro {
namespace {

using kaviro::testing::Bytes;

Bytes Answer(std::initializer_list<uint8_t> days) {
  Bytes a = {0x01, 0x2B, 0x0E, 0x03, 0, 0, 0, 0};
  for (uint8_t day : days) {
    Bytes r(44, 0);
    r[0] = 0x14;
    r[1] = 0x0E;
    r[2] = 0x05;
    r[3] = day;
    a.insert(a.end(), r.begin(), r.end());
  }
  a.insert(a.end(), {0xFF, 0xFE, 0xFD, 0xFC});
  return a;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class LogDialogTest : public kaviro::testing::ToolTest {
 protected:
  CLogReadDlg& Open() {
    dialog = std::make_unique<CLogReadDlg>(Context());
    return *dialog;
  }
  QString Cell(int row, int column) {
    return res::Control<QTableWidget>(*dialog, log_ids::kList)->item(row, column)->text();
  }
  std::unique_ptr<CLogReadDlg> dialog;
};

TEST_F(LogDialogTest, OpensWithTheLatestRecordRequestForAddress01) {
  CLogReadDlg& d = Open();
  EXPECT_EQ(d.windowTitle(), QString::fromUtf8("读日志信息"));
  EXPECT_EQ(res::Control<QLineEdit>(d, log_ids::kRequest)->text(), QStringLiteral("01 2B 0E 03 01 B0 D7 "));
  auto* address = res::Control<QComboBox>(d, log_ids::kAddress);
  EXPECT_EQ(address->count(), 247);
  EXPECT_EQ(address->currentText(), QStringLiteral("01"));
  EXPECT_EQ(address->itemText(246), QStringLiteral("F7"));
  auto* list = res::Control<QTableWidget>(d, log_ids::kList);
  ASSERT_EQ(list->columnCount(), 17);
  EXPECT_EQ(list->horizontalHeaderItem(3)->text(), QString::fromUtf8("故障"));
  EXPECT_EQ(list->columnWidth(1), 85);
  EXPECT_FALSE(res::Control<QPushButton>(d, log_ids::kClearAbove)->isVisibleTo(&d));
}

TEST_F(LogDialogTest, AddressEntryIsChecked) {
  CLogReadDlg& d = Open();
  auto* address = res::Control<QComboBox>(d, log_ids::kAddress);
  address->setEditText(QStringLiteral("1"));
  res::Control<QPushButton>(d, log_ids::kReadAll)->click();
  address->setEditText(QStringLiteral("G1"));
  res::Control<QPushButton>(d, log_ids::kReadAll)->click();
  EXPECT_EQ(prompter.texts, (QStringList{QString::fromUtf8("ModBus地址，只能输入两个16进制字符，开头可以是0，例如：01"),
                                         QString::fromUtf8("ModBus地址，16进制数据请输入0~9或a~f或A~F的值。")}));
  EXPECT_TRUE(port.writes().empty());
}

TEST_F(LogDialogTest, ASecondReadStacksItsRowsOnTop) {
  CLogReadDlg& d = Open();
  port.AnswerWrite(0, 100, Answer({0x11, 0x12}));
  port.AnswerWrite(1, 100, Answer({0x1E}));
  res::Control<QComboBox>(d, log_ids::kAddress)->setEditText(QStringLiteral("0a"));
  res::Control<QPushButton>(d, log_ids::kReadAll)->click();
  res::Control<QPushButton>(d, log_ids::kReadLatest)->click();
  EXPECT_EQ(res::Control<QLineEdit>(d, log_ids::kRequest)->text().left(15), QStringLiteral("0A 2B 0E 03 01 "));
  ASSERT_EQ(res::Control<QTableWidget>(d, log_ids::kList)->rowCount(), 3);
  EXPECT_EQ(Cell(0, 0), QStringLiteral("2014-05-30"));
  EXPECT_EQ(Cell(1, 0), QStringLiteral("2014-05-17"));
  EXPECT_EQ(Cell(2, 0), QStringLiteral("2014-05-18"));
  EXPECT_TRUE(prompter.texts.isEmpty());

  res::Control<QPushButton>(d, log_ids::kClearList)->click();
  EXPECT_EQ(res::Control<QTableWidget>(d, log_ids::kList)->rowCount(), 0);
}

TEST_F(LogDialogTest, ExportsWriteTheListWithTheExtensionAlwaysAppended) {
  CLogReadDlg& d = Open();
  port.AnswerWrite(0, 100, Answer({0x11}));
  d.Read(false);
  const std::string base = (dir / "log.txt").string();
  prompter.saveAs = QString::fromStdString(base);
  d.Export(kLogText);
  d.Export(kLogSpreadsheet);
  EXPECT_EQ(prompter.filters, (QStringList{QString::fromUtf8(kLogText.filter), QString::fromUtf8(kLogSpreadsheet.filter)}));
  std::string cells;
  for (int c = 0; c < 17; ++c) cells += Cell(0, c).toStdString() + "\x01";
  auto with = [&](char sep) {
    std::string s = cells;
    for (char& ch : s) if (ch == '\x01') ch = sep;
    return s;
  };
  EXPECT_EQ(FileText(base + ".txt"), with(' ') + "\n");
  EXPECT_EQ(FileText(base + ".xls"), with('\t') + "\r");
  EXPECT_TRUE(prompter.texts.isEmpty());
}

TEST_F(LogDialogTest, SavesTheListAsAChartPicture) {
  CLogReadDlg& d = Open();
  auto* save = res::Control<QPushButton>(d, log_ids::kSaveChart);
  prompter.saveAs = QString::fromStdString((dir / "days").string());
  save->click();  // nothing read yet
  ASSERT_EQ(prompter.texts.size(), 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "days.png"));

  port.AnswerWrite(0, 100, Answer({0x11, 0x12}));
  res::Control<QPushButton>(d, log_ids::kReadAll)->click();
  save->click();
  EXPECT_EQ(prompter.texts.size(), 1);
  const QImage picture(QString::fromStdString((dir / "days.png").string()));
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(1000, 600));
}

TEST_F(LogDialogTest, TheChartPageFollowsTheList) {
  CLogReadDlg& d = Open();
  auto* pages = res::Control<QTabWidget>(d, log_ids::kPages);
  ASSERT_EQ(pages->count(), 2);
  EXPECT_EQ(pages->tabText(0), QString::fromUtf8("记录"));
  EXPECT_EQ(pages->tabText(1), QString::fromUtf8("图表"));
  EXPECT_EQ(pages->widget(0), res::Control<QTableWidget>(d, log_ids::kList));
  auto* chart = res::Control<QChartView>(d, log_ids::kChart);
  auto days = [&] {
    const auto axes = chart->chart()->axes(Qt::Horizontal);
    return axes.size() == 1 ? static_cast<QBarCategoryAxis*>(axes[0])->count() : -1;
  };

  port.AnswerWrite(0, 100, Answer({0x11, 0x12}));
  res::Control<QPushButton>(d, log_ids::kReadAll)->click();
  pages->setCurrentIndex(1);
  EXPECT_EQ(chart->chart()->series().size(), 3);  // energy bars, highest and lowest voltage
  EXPECT_EQ(days(), 2);
  // Read or cleared while the chart is shown: drawn again.
  port.AnswerWrite(1, 100, Answer({0x1E}));
  res::Control<QPushButton>(d, log_ids::kReadLatest)->click();
  EXPECT_EQ(days(), 3);
  res::Control<QPushButton>(d, log_ids::kClearList)->click();
  EXPECT_EQ(days(), 0);
}

TEST_F(LogDialogTest, ExportRefusalsAndCancel) {
  CLogReadDlg& d = Open();
  prompter.saveAs.clear();
  d.Export(kLogText);
  EXPECT_TRUE(prompter.texts.isEmpty());  // cancelled: nothing at all

  prompter.saveAs = QString::fromStdString((dir / "empty").string());
  d.Export(kLogText);
  EXPECT_EQ(prompter.texts.last(), QString::fromUtf8("内容为空!"));
  EXPECT_FALSE(std::filesystem::exists(dir / "empty.txt"));

  port.AnswerWrite(0, 100, Answer({0x11}));
  d.Read(false);
  prompter.saveAs = QString::fromStdString((dir / "missing" / "log").string());
  d.Export(kLogText);
  EXPECT_TRUE(prompter.texts.last().startsWith(QString::fromUtf8("无法创建文件")));
}

}  // namespace
}  // namespace kaviro

// End to end: the dialog opened from the menu reads the simulated controller's log.
namespace kaviro {
namespace {

struct ModeCase {
  const char* name;
  int workMode;
  std::vector<std::string> simArgs;
};

class LogDialogSimTest : public kaviro::testing::GuiTest, public ::testing::WithParamInterface<ModeCase> {
 protected:
  void TearDown() override {
    GuiTest::TearDown();
    sim.Stop();
  }
  kaviro::testing::SimProcess sim;
};

TEST_P(LogDialogSimTest, ReadAllThenLatestAndSaveBoth) {
  const ModeCase& mode = GetParam();
  std::vector<std::string> args = mode.simArgs;
  const std::string tty = kaviro::testing::SimProcess::UniquePath("log");
  if (mode.workMode != 1) args.insert(args.begin(), {"--pty", tty});
  ASSERT_TRUE(sim.Start(KAVIRO_SIM_PATH, args)) << sim.output();
  setenv("KAVIRO_COM2", tty.c_str(), 1);
  setenv("KAVIRO_TCP_PORT", std::to_string(sim.tcpPort()).c_str(), 1);
  Start([&](AppConfig& c) {
    c.workMode = mode.workMode;
    c.controllerIp = 0x7F000001;
  });
  RegisterToolDialogs(*frame);
  if (mode.workMode == 1) {
    frame->MenuCommand(cmd::kNetwork)->trigger();
    ASSERT_TRUE(kaviro::testing::WaitFor([&] { return frame->link().Connected(); }));
    prompter.texts.clear();
  } else {
    ASSERT_TRUE(kaviro::testing::WaitFor([&] { return frame->link().SerialOpen(); }));
  }

  std::vector<LogRow> rows;
  const std::string base = (dir / "records").string();
  prompter.saveAs = QString::fromStdString(base);
  kaviro::testing::WhenDialogOpens([&](QDialog& dialog) {
    res::Control<QPushButton>(dialog, log_ids::kReadAll)->click();
    res::Control<QPushButton>(dialog, log_ids::kReadLatest)->click();
    res::Control<QPushButton>(dialog, log_ids::kSaveText)->click();
    res::Control<QPushButton>(dialog, log_ids::kSaveSpreadsheet)->click();
    rows = static_cast<CLogReadDlg&>(dialog).Rows();
    dialog.reject();
  });
  frame->MenuCommand(cmd::kReadLog)->trigger();

  EXPECT_TRUE(prompter.texts.isEmpty()) << prompter.texts.join('|').toStdString();
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_EQ(rows[0], rows[1]);  // the latest record on top of all of them, latest first
  EXPECT_NE(rows[1][0], rows[2][0]);
  EXPECT_EQ(FileText(base + ".txt"), LogExportBytes(rows, kLogText));
  EXPECT_EQ(FileText(base + ".xls"), LogExportBytes(rows, kLogSpreadsheet));
  EXPECT_TRUE(frame->poller().Enabled());
}

INSTANTIATE_TEST_SUITE_P(Modes, LogDialogSimTest,
                         ::testing::Values(ModeCase{"serial", 0, {}}, ModeCase{"wireless", 2, {"--wireless"}},
                                           ModeCase{"network", 1, {"--tcp", "0"}}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kaviro
