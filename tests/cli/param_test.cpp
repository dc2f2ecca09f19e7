#include <gtest/gtest.h>

#include "cli_fixture.h"

namespace kaviro::testing {
namespace {

using ::kaviro::testing::PrintTo;  // for the table rows declared here

// `param list` as name -> cells (name, register, value, unit, parameter).
std::map<std::string, std::vector<std::string>> Listed(const std::string& out) {
  std::map<std::string, std::vector<std::string>> rows;
  const std::vector<std::vector<std::string>> cells = SplitAligned(Lines(out));
  for (const auto& row : cells)
    if (!row.empty()) rows[row[0]] = row;
  return rows;
}

void ExpectOk(const ChildResult& r, const std::string& out, const std::string& err) {
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, 0) << r;
  EXPECT_EQ(r.out, out) << r;
  EXPECT_EQ(r.err, err) << r;
}

class ParamEveryMode : public ::testing::TestWithParam<Mode> {
 protected:
  void SetUp() override { ASSERT_TRUE(link_.Start(GetParam())) << link_.sim().output(); }
  ChildResult Run(const std::vector<std::string>& args) { return CliOn(dir_, link_, args); }
  SimLink link_;
  TempDir dir_;
};

TEST_P(ParamEveryMode, SetReadsBackAndListShowsIt) {
  ExpectOk(Run({"param", "set", "0xE00E", "13"}), "13.00\n", "设置成功！\n");
  ExpectOk(Run({"param", "get", "load-hvd"}), "13.00\n", "");
  ExpectOk(Run({"param", "set", "lighting-mode", "0"}), "定时\n", "设置成功！\n");
  ExpectOk(Run({"param", "set", "temp-comp-min", "-40"}), "-40\n", "设置成功！\n");

  const ChildResult list = Run({"param", "list"});
  ASSERT_TRUE(list.exited && list.code == 0) << list;
  const auto rows = Listed(list.out);
  EXPECT_EQ(rows.size(), 21u) << list.out;  // heading, 19 parameters, the clock
  EXPECT_EQ(rows.at("load-hvd"), (std::vector<std::string>{"load-hvd", "0xE00E", "13.00", "V", "负载高压断开电压："}));
  EXPECT_EQ(rows.at("lighting-mode")[2], "定时");
  EXPECT_EQ(rows.at("temp-comp-min")[2], "-40");
  EXPECT_EQ(rows.at("overload-delay")[2], "10");
  EXPECT_EQ(rows.at("lvd-alarm-delay")[2], "3.0");
  EXPECT_EQ(rows.at("clock")[1], "0x003E");
}

TEST_P(ParamEveryMode, ClockRoundTrip) {
  const ChildResult set = Run({"clock", "set", "1999-12-31 23:59:50"});
  ASSERT_TRUE(set.exited && set.code == 0) << set;
  EXPECT_EQ(set.err, "设置成功！\n");
  const ChildResult get = Run({"clock", "get"});
  ASSERT_TRUE(get.exited && get.code == 0) << get;
  // Read back within the few seconds that passed: past midnight into 2000, or still 1999.
  EXPECT_TRUE(set.out.rfind("1999-12-31 23:59:5", 0) == 0) << set.out;
  EXPECT_TRUE(get.out.rfind("1999-12-31 23:59:5", 0) == 0 || get.out.rfind("2000-01-01 00:00:0", 0) == 0) << get.out;
}

INSTANTIATE_TEST_SUITE_P(Cli, ParamEveryMode, ::testing::Values(Mode::kSerial, Mode::kWireless, Mode::kNetwork),
                         [](const auto& info) { return std::string(ModeName(info.param)); });

// A typed decimal reaches the controller as the word it names, and text that is no number never
// reaches it: the simulator's own traffic shows what arrived.
class TypedNumbersEveryMode : public ::testing::TestWithParam<Mode> {
 protected:
  void SetUp() override {
    link_.sim().StderrTo((dir_.path() / "sim.log").string());
    ASSERT_TRUE(link_.Start(GetParam(), {"--verbose"})) << link_.sim().output();
  }
  ChildResult Run(const std::vector<std::string>& args) { return CliOn(dir_, link_, args); }
  // The simulator's traffic so far: every answer is logged before it is sent.
  std::string Traffic() { return ReadFileBytes(dir_.path() / "sim.log"); }
  TempDir dir_;
  SimLink link_;
};

TEST_P(TypedNumbersEveryMode, TheWordIsTheTypedNumberAndNoNumberIsSent) {
  ExpectOk(Run({"param", "set", "0xE00E", "13.2"}), "13.20\n", "设置成功！\n");
  EXPECT_NE(Traffic().find("01 06 E0 0E 05 28"), std::string::npos) << Traffic();
  ExpectOk(Run({"param", "set", "float-entry-current", "0.29"}), "0.29\n", "设置成功！\n");
  ExpectOk(Run({"param", "set", "lvd-alarm-delay", "1.3"}), "1.3\n", "设置成功！\n");
  const std::string before = Traffic();
  for (const char* text : {"abc", "-", ".", "14,4", "13.2V"})
    for (const char* row : {"load-hvd", "overload-delay", "temp-comp-min"}) {
      const ChildResult r = Run({"param", "set", row, text});
      EXPECT_TRUE(r.exited && r.code == 1) << row << " " << text << "\n" << r;
      EXPECT_EQ(r.err, "输入数据有误，请重新输入！\n") << row << " " << text;
    }
  // Only the companion reads of the minimum temperature went out after that: no write.
  const std::string after = Traffic().substr(before.size());
  for (const char* write : {"01 06 E0 0E", "01 06 00 3D", "01 06 00 44"})
    EXPECT_EQ(after.find(write), std::string::npos) << after;
}

INSTANTIATE_TEST_SUITE_P(Cli, TypedNumbersEveryMode, ::testing::Values(Mode::kSerial, Mode::kWireless, Mode::kNetwork),
                         [](const auto& info) { return std::string(ModeName(info.param)); });

const CliFailure kParamFailures[] = {
    {"RefusedInput", Mode::kNetwork, {}, false, {"param", "set", "0xe00e", "12.5"}, 1, "输入数据有误，请重新输入！\n", ""},
    {"NotZeroOrOne", Mode::kNetwork, {}, false, {"param", "set", "rd-link", "1.0"}, 1, "数据不能为空，请重新输入\n", ""},
    {"ClockNotRepresentable", Mode::kNetwork, {}, false, {"clock", "set", "1901-01-01 00:00:00"}, 1,
     "输入数据有误，请重新输入！\n", ""},
    {"SilentSerial", Mode::kSerial, {"--silent"}, false, {"param", "get", "0xE00E"}, 3, "通讯失败，请检查连接或重新操作！\n", ""},
    {"SilentSerialWrite", Mode::kSerial, {"--silent"}, false, {"param", "set", "load-hvd", "13"}, 3,
     "通讯失败，请检查连接或重新操作！\n", ""},
    {"SilentNetwork", Mode::kNetwork, {"--silent"}, false, {"clock", "get"}, 3, "读取数据失败！\n", ""},
    {"SilentNetworkList", Mode::kNetwork, {"--silent"}, false, {"param", "list"}, 3, "通讯失败，请检查连接或重新操作！\n", ""},
    {"CompanionReadFails", Mode::kWireless, {"--silent"}, false, {"param", "set", "load-lvd", "11"}, 3,
     "通讯失败，请检查连接或重新操作！\n", ""},
    {"WriteForgotten", Mode::kSerial, {"--forget-writes"}, false, {"param", "set", "0xE00E", "13"}, 4,
     "设置成功！\n读回的值是16.00，但写入的是13.00\n", "16.00\n"},
    {"MissingDevice", Mode::kWireless, {}, true, {"param", "get", "0xE00E"}, 2,
     "串口或被占用无法打开！\r\n请关闭占用此串口的程序，在重新打开本程序!\n", ""},
    {"NothingListens", Mode::kNetwork, {}, true, {"clock", "set", "now"}, 2, "连接服务器失败!\n", ""},
};

INSTANTIATE_TEST_SUITE_P(Param, CliFailures, ::testing::ValuesIn(kParamFailures), CliFailureName);


TEST(ParamUsage, UnknownNamesAndMissingArgumentsEndBeforeAnyLink) {
  TempDir dir;
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"param"}, {"param", "get"}, {"param", "get", "0x003E"}, {"param", "set", "load-hvd"},
           {"clock", "set", "2024-02-30 00:00:00"}, {"clock", "sync"}}) {
    const ChildResult r = Cli(dir, Concat(args, {"--mode", "serial", "--device", (dir / "no-such-tty").string()}));
    EXPECT_TRUE(r.exited && r.code == 1) << args.back() << "\n" << r;
  }
  const ChildResult help = Cli(dir, {"param", "--help"});
  EXPECT_EQ(help.code, 0);
  for (const char* name : {"load-hvd", "0xE00E", "lighting-mode", "cell-conflict"})
    EXPECT_NE(help.out.find(name), std::string::npos) << name;
}

}  // namespace
}  // namespace kaviro::testing
