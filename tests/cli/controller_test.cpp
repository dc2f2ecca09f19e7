#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "cli_fixture.h"

namespace kaviro::testing {
namespace {

using Table = std::vector<std::vector<std::string>>;

const std::vector<std::string> kPresetHeader = {"",         "吸收V",      "浮充V",      "均衡V",   "均衡周期",
                                                "最高电压", "关闭电压", "低电压上限", "中电压上限", "温度系数"};

// The printed preset table, or the header and the user's row: its rows below the header.
Table PrintedPresets(const std::vector<std::string>& lines) {
  Table rows = SplitAligned(lines);
  EXPECT_FALSE(rows.empty());
  if (rows.empty()) return rows;
  EXPECT_EQ(rows[0], kPresetHeader);
  rows.erase(rows.begin());
  return rows;
}

class ControllerEveryMode : public ::testing::TestWithParam<Mode> {
 protected:
  void SetUp() override { ASSERT_TRUE(link_.Start(GetParam())) << link_.sim().output(); }
  ChildResult Run(const std::vector<std::string>& args) { return CliOn(dir_, link_, args); }
  SimLink link_;
  TempDir dir_;
};

TEST_P(ControllerEveryMode, ActionsShowInTheNextRead) {
  ChildResult r = Run({"info", "faults"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_EQ(r.out, "故障 0x0080\n  bit7 蓄电池感应电压Vs故障\n报警 0x0020\n  bit5 板载温度传感器(充放电)温度超出\n");

  r = Run({"action", "clear-faults"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_EQ(r.out, "");  // the dialog's messages go to stderr, as every verb's
  EXPECT_EQ(r.err, "设置成功！\n");
  r = Run({"action", "0x0015"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;

  r = Run({"info", "faults"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_EQ(r.out, "故障 0x0000\n报警 0x0000\n");
}

TEST_P(ControllerEveryMode, CustomRowIsWrittenAndReadBack) {
  ChildResult r = Run({"info", "presets"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  Table rows = PrintedPresets(Lines(r.out));
  ASSERT_EQ(rows.size(), 8u) << r.out;
  EXPECT_EQ(rows[0], (std::vector<std::string>{"胶体", "14.20", "13.70", "14.20", "28", "16.00", "10.80", "12.00", "12.50", "-30"}));
  EXPECT_EQ(rows[5][0], "锰酸锂");
  EXPECT_EQ(rows[7], (std::vector<std::string>{"自定义", "14.40", "13.80", "14.80", "30", "16.00", "11.00", "12.00", "12.50", "-10"}));

  r = Run({"info", "set-custom", "14.6", "13.6", "14.9", "25", "15.5", "10.8", "12.1", "12.6", "-20"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u) << r.out;
  EXPECT_EQ(lines[0], "01 10 20 3F 00 09 12 05 B4 05 50 05 D2 00 19 06 0E 04 38 04 BA 04 EC 00 EC 66 74 ");
  const std::vector<std::string> written = {"自定义", "14.60", "13.60", "14.90", "25", "15.50", "10.80", "12.10", "12.60", "-20"};
  EXPECT_EQ(PrintedPresets({lines[1], lines[2]}), Table{written});

  r = Run({"info", "presets"});
  rows = PrintedPresets(Lines(r.out));
  ASSERT_EQ(rows.size(), 8u) << r;
  EXPECT_EQ(rows[7], written);

  // The controller refuses a row out of order (shut-off above the low band): its answer says so.
  r = Run({"info", "set-custom", "14.4", "13.8", "14.8", "30", "16", "13", "12", "12.5", "-10"});
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, 3) << r;
  EXPECT_EQ(r.err, "设置失败！\n") << r;
  EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;
  r = Run({"info", "presets"});
  EXPECT_EQ(PrintedPresets(Lines(r.out))[7], written) << r;
}

TEST_P(ControllerEveryMode, DipSwitchesAndTheirOptions) {
  const ChildResult r = Run({"info", "dip"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 9u) << r.out;
  EXPECT_EQ(SplitAligned({lines[0], lines[1]}),
            (Table{{"DIP", "1", "2", "3", "4", "5", "6", "7", "8", "无线RTS"},
                   {"0x0042", "OFF", "ON", "OFF", "OFF", "OFF", "OFF", "ON", "OFF", "OFF"}}));
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(SplitAligned(std::vector<std::string>(lines.begin() + 3, lines.end())),
            (Table{{"负载模式", "照明"}, {"频率", "低频"}, {"电池节数", "自动判断"},
                   {"电池类型", "密封"}, {"均衡模式", "自动"}, {"无线RTS", "Metter"}}));
}

INSTANTIATE_TEST_SUITE_P(Cli, ControllerEveryMode, ::testing::Values(Mode::kSerial, Mode::kWireless, Mode::kNetwork),
                         [](const auto& info) { return std::string(ModeName(info.param)); });

TEST(ControllerRestart, AnUnansweredResetIsARestart) {
  SimLink link;
  ASSERT_TRUE(link.Start(Mode::kSerial, {"--restart-ms", "1500"})) << link.sim().output();
  TempDir dir;
  ChildResult r = CliOn(dir, link, {"action", "reset"});
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "设备正在重启...！\n");
  r = CliOn(dir, link, {"action", "clear-alarms"});
  EXPECT_EQ(r.code, 3) << r;
  EXPECT_EQ(r.err, "设置失败！\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  r = CliOn(dir, link, {"info", "faults"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_EQ(r.out, "故障 0x0000\n报警 0x0000\n");  // the reset was carried out
}

const CliFailure kControllerFailures[] = {
    {"SilentAction", Mode::kSerial, {"--silent"}, false, {"action", "equalise"}, 3, "设置失败！\n", ""},
    {"WrongUnitAction", Mode::kNetwork, {"--wrong-id", "1"}, false, {"action", "clear-load-ah"}, 3, "设置失败！\n", ""},
    {"SilentTable", Mode::kWireless, {"--silent"}, false, {"info", "presets"}, 3, "通讯失败，请检查连接或重新操作！\n", ""},
    {"CorruptFaultWord", Mode::kSerial, {"--corrupt-crc", "1"}, false, {"info", "faults"}, 3, "返回数据错误！\n", ""},
    {"NothingListens", Mode::kNetwork, {}, true, {"action", "reset"}, 2, "连接服务器失败!\n", ""},
};

INSTANTIATE_TEST_SUITE_P(Controller, CliFailures, ::testing::ValuesIn(kControllerFailures), CliFailureName);


struct Refusal {
  const char* name;
  std::vector<std::string> args;
  const char* stderrText;  // appears in stderr
};

// None of these reach a link: opening one (there is none here) would end in status 2.
const Refusal kRefusals[] = {
    {"UnknownAction", {"action", "explode"}, "NAME: an action named in the list below"},
    {"CustomRowTooShort", {"info", "set-custom", "14.4", "13.8"}, "VALUES"},
    {"CustomRowOutOfRange", {"info", "set-custom", "16.01", "13.8", "14.8", "30", "16", "11", "12", "12.5", "-10"},
     "输入范围错误: 吸收电压范围为8.0~16.0\n"},
};

class ControllerRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(ControllerRefusals, EndBeforeAnyLink) {
  const Refusal& u = GetParam();
  TempDir dir;
  const ChildResult r = Cli(dir, Concat(u.args, {"--mode", "serial", "--device", (dir / "no-such-tty").string()}));
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, 1) << r;
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(u.stderrText), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Cli, ControllerRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kaviro::testing
