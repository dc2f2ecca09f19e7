// kaviro-cli rd against the simulated RD behind the controller's network side, and kaviro-cli
// probe on the simulator's serial line.
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "sim/sim_clients.h"

namespace kaviro::testing {
namespace {

// The printed lines, and whether `line` is one of them.
bool HasLine(const std::string& out, const std::string& line) {
  for (const std::string& l : Lines(out))
    if (l == line) return true;
  return false;
}

class RdCli : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(link_.Start(Mode::kNetwork)) << link_.sim().output(); }
  ChildResult Rd(std::vector<std::string> args) {
    args.insert(args.begin(), "rd");
    return CliOn(dir_, link_, args);
  }
  SimLink link_;
  TempDir dir_;
};

TEST_F(RdCli, ReadsAddressInformationAndIdentity) {
  ChildResult r = Rd({"address"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"SN:3231323036", "wireless address: 3231323036", "unit: 36"}));

  r = Rd({"info"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 10u) << r.out;
  EXPECT_EQ(lines[0].rfind("SW1工作 SW2工作 SW3工作 SW自动模式 蜂鸣器工作 蜂鸣灭 ", 0), 0u) << lines[0];
  for (const char* field : {"relay 1: on", "mode: active", "buzzer: enabled", "buzzer sound: off", "ModbusID: 36",
                            "battery count: 1节12V (code 1)"})
    EXPECT_TRUE(HasLine(r.out, field)) << field << "\n" << r.out;

  r = Rd({"ident"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_TRUE(HasLine(r.out, "VendorName: KAVIRO")) << r.out;
  EXPECT_TRUE(HasLine(r.out, "设备序列号: 21206001")) << r.out;
}

struct Step {
  const char* name;
  std::vector<std::string> args;
  int status;
  std::vector<std::string> lines;  // among what is printed
};

TEST_F(RdCli, SettingsAreDecodedAndReadBack) {
  const Step steps[] = {
      {"ActiveModeKeepsTheRelay", {"relay", "1", "off"}, 4, {"SW1关闭 ", "read back:", "relay 1: on"}},
      {"Passive", {"mode", "passive"}, 0, {"设置：SW手动模式 ", "mode: passive"}},
      {"RelayOff", {"relay", "2", "off"}, 0, {"SW2关闭 ", "relay 2: off", "relay 1: on"}},
      {"Range", {"range", "3", "13", "0.8"}, 0,
       {"设置：13.0V =< Vsw3  =< 13.8V ", "relay 3 action voltage: 13 V", "relay 3 restore offset: 0.8 V"}},
      {"RangeRead", {"range", "3"}, 0, {"relay 3 action voltage: 13 V"}},
      {"Warning", {"warn", "2", "12.25"}, 0, {"设置：最大预警x2 12.25V ", "warning voltage: 12.25 V"}},
      {"AlarmRead", {"warn", "1"}, 0, {"alarm voltage: 11.50 V"}},
      {"DisabledBuzzerStaysQuiet", {"buzzer", "disable"}, 0, {"设置：蜂鸣器屏蔽 ", "buzzer: disabled"}},
      {"BuzzerOnRefused", {"buzzer", "on"}, 4, {"设置：蜂鸣响 ", "buzzer sound: off"}},
      {"BatteryAndModbusId", {"battery", "4", "--modbus-id", "05", "--unit", "36"}, 0,
       {"设置：电池拨码模式 4节48V ", "ModbusID: 05", "battery count: 4节48V (code 3)"}},
      {"NewModbusIdAnswers", {"info", "--unit", "05"}, 0, {"ModbusID: 05"}},
      {"FactoryReset", {"factory-reset", "--unit", "05"}, 0, {"恢复出厂设置成功"}},
      {"Defaults", {"info"}, 0, {"ModbusID: 36", "mode: active", "buzzer: enabled"}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    const ChildResult r = Rd(s.args);
    ASSERT_TRUE(r.exited) << r;
    EXPECT_EQ(r.code, s.status) << r;
    for (const std::string& line : s.lines) EXPECT_TRUE(HasLine(r.out, line)) << line << "\n" << r;
  }
}

TEST_F(RdCli, RefusedWhileTheControllerSaysTheRdIsNotConnected) {
  {
    // 485连接RD设置 = 1 on the controller.
    TcpClient controller(link_.sim().tcpPort());
    ASSERT_TRUE(controller.connected());
    controller.Send({0x00, 0x01, 0x00, 0x00, 0x00, 0x06, 0x01, 0x06, 0x00, 0x41, 0x00, 0x01});
    ASSERT_EQ(controller.Answer().size(), 12u);
  }
  const ChildResult r = Rd({"relay", "1", "on"});
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, 1) << r;
  EXPECT_NE(r.err.find("0x0041"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

struct Refusal {
  const char* name;
  std::vector<std::string> args;  // the simulator's link options follow
  int status;
  std::string err;  // part of what stderr says
};

TEST_F(RdCli, UsageAndLinkFailures) {
  const Refusal cases[] = {
      {"NoSuchRelay", {"rd", "relay", "4", "on"}, 1, "RELAY"},
      {"RangeNeedsBoth", {"rd", "range", "1", "12"}, 1, "give both"},
      {"BadUnit", {"rd", "info", "--unit", "3"}, 1, "ModBus地址，只能输入两个16进制字符"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    const ChildResult r = CliOn(dir_, link_, c.args);
    ASSERT_TRUE(r.exited) << r;
    EXPECT_EQ(r.code, c.status) << r;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r;
  }
  const ChildResult serial = Cli(dir_, {"rd", "info", "--mode", "serial", "--device", "/dev/null"});
  EXPECT_TRUE(serial.exited && serial.code == 1) << serial;
  EXPECT_NE(serial.err.find("network link only"), std::string::npos) << serial;

  link_.sim().Stop();
  const ChildResult gone = Rd({"info"});
  EXPECT_TRUE(gone.exited && gone.code == 2) << gone;
}

TEST(RdCliSilent, AControllerThatDoesNotAnswerFailsTheExchange) {
  SimLink link;
  ASSERT_TRUE(link.Start(Mode::kNetwork, {"--silent"})) << link.sim().output();
  TempDir dir;
  const ChildResult r = CliOn(dir, link, {"rd", "address"});
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, 3) << r;
  EXPECT_NE(r.err.find("读取数据失败！"), std::string::npos) << r;
}

TEST(ProbeCli, ReadsBothThresholdsOverTheSerialLine) {
  SimLink link;
  ASSERT_TRUE(link.Start(Mode::kSerial)) << link.sim().output();
  TempDir dir;
  const ChildResult r = CliOn(dir, link, {"probe"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[0], "发: 01 03 20 33 00 02 3F C4 00 00 00 00 00 00 00 00 ");
  EXPECT_EQ(lines[1].rfind("收: 01 03 04 04 B0 04 E2 ", 0), 0u) << lines[1];
  EXPECT_EQ(lines[1].size(), std::string("收: ").size() + 16 * 3);
  EXPECT_EQ(lines[2], "报警温度小: 12.0 ");
  EXPECT_EQ(lines[3], "报警温度大: 12.50 ");

  link.sim().Stop();
  ASSERT_TRUE(link.Start(Mode::kSerial, {"--silent"})) << link.sim().output();
  const ChildResult silent = CliOn(dir, link, {"probe", "--id", "1"});
  ASSERT_TRUE(silent.exited) << silent;
  EXPECT_EQ(silent.code, 3) << silent;
  EXPECT_EQ(Lines(silent.out).size(), 1u) << silent.out;
  EXPECT_NE(silent.err.find("通讯失败"), std::string::npos) << silent;
}

}  // namespace
}  // namespace kaviro::testing
