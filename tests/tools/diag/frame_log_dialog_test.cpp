// The frame log window, offscreen: rows as the frames came, the filter, and a request handed to
// the raw frame console.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "app/gui_fixture.h"
#include "monitor/poll_worker.h"
#include "res/dialog_builder.h"
#include "res/frame_log_dialog_ids.h"
#include "res/modbus_test_dialog_ids.h"
#include "tools/console/modbus_test_dialog.h"
#include "tools/diag/frame_log_dialog.h"
#include "tools/tool_fixture.h"

namespace kaviro {
namespace {

using namespace frame_log_ids;

class FrameLogTest : public testing::ToolTest {
 protected:
  std::vector<QString> Row(const CFrameLogDlg& log, int row) {
    const auto* list = res::Control<QTableWidget>(log, kFrames);
    std::vector<QString> texts;
    for (int c = 0; c < kColumns; ++c) texts.push_back(list->item(row, c)->text());
    return texts;
  }
  void Read(bool answered) {
    const RtuFrame request = ReadRegisters(1, fn::kReadInput, 0, 2);
    if (answered) {
      const RtuFrame answer = RtuFrame::Seal(std::vector<uint8_t>{1, 4, 4, 0, 7, 0, 9});
      port.AnswerAfter(35, {answer.Bytes().begin(), answer.Bytes().end()});
    }
    std::lock_guard lock(link.Mutex());
    link.Exchange(LinkMode::kSerial, request, 9, PollBlockPolicy(PollBlocks()[0]));
  }
};

TEST_F(FrameLogTest, ListsFramesFiltersAndHandsARequestToTheConsole) {
  std::vector<RawFields> handed;
  CFrameLogDlg log(link, *RegisterTableFor(1), [&](const RawFields& f) { handed.push_back(f); });
  EXPECT_EQ(log.windowTitle(), QString::fromUtf8("通讯记录"));
  Read(true);
  log.Refresh();
  auto* list = res::Control<QTableWidget>(log, kFrames);
  ASSERT_EQ(list->rowCount(), 2);
  const std::vector<QString> out = Row(log, 0), in = Row(log, 1);
  EXPECT_EQ(out[kDirection], QString::fromUtf8("发送"));
  EXPECT_EQ(out[kHex], "01 04 00 00 00 02 71 CB");
  EXPECT_TRUE(out[kSummary].startsWith(QString::fromUtf8("单元1 读输入寄存器 0x0000×2"))) << out[kSummary].toStdString();
  EXPECT_EQ(out[kCrc], QString::fromUtf8("正确"));
  EXPECT_EQ(out[kGap], "-");
  EXPECT_EQ(in[kDirection], QString::fromUtf8("接收"));
  EXPECT_EQ(in[kSummary], QString::fromUtf8("应答 单元1 读输入寄存器 4字节"));
  EXPECT_EQ(in[kGap], "40.0");

  Read(false);  // a request nobody answered
  log.Refresh();
  EXPECT_EQ(list->rowCount(), 3);
  res::Control<QLineEdit>(log, kFilter)->setText(QString::fromUtf8("应答"));
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(Row(log, 0)[kDirection], QString::fromUtf8("接收"));
  list->setCurrentCell(0, 0);
  res::Control<QPushButton>(log, kCopyToConsole)->click();
  EXPECT_TRUE(handed.empty()) << "an answer is no request for the console";

  res::Control<QLineEdit>(log, kFilter)->clear();
  list->setCurrentCell(2, 0);
  res::Control<QPushButton>(log, kCopyToConsole)->click();
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0].address, "01");
  EXPECT_EQ(handed[0].function, "04");
  EXPECT_EQ(handed[0].start, "0000");
  EXPECT_EQ(handed[0].value, "0002");

  res::Control<QPushButton>(log, kClear)->click();
  EXPECT_EQ(list->rowCount(), 0);
}

TEST_F(FrameLogTest, TheConsoleTakesTheRequestsFields) {
  CModbusTestDlg console(Context());
  console.FillRawFields({"01", "06", "E00E", "0084"});
  EXPECT_EQ(res::Control<QComboBox>(console, console_ids::kAddress)->currentText(), "01");
  EXPECT_EQ(res::Control<QComboBox>(console, console_ids::kFunction)->currentText(), "06");
  EXPECT_EQ(res::Control<QLineEdit>(console, console_ids::kStartRegister)->text(), "E00E");
  EXPECT_EQ(res::Control<QLineEdit>(console, console_ids::kValue)->text(), "0084");
}

}  // namespace
}  // namespace kaviro
