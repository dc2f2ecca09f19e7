// The test console's verbs against kaviro-sim: every read and write in each work mode, writes
// read back, refusals before any link, and the ends a script must tell apart.
#include <gtest/gtest.h>

#include <regex>

#include "cli_fixture.h"

namespace kaviro::testing {
namespace {

using ::kaviro::testing::PrintTo;  // for the table rows declared here

std::vector<std::string> Expect(const ChildResult& r, int status) {
  EXPECT_TRUE(r.exited && r.code == status) << r;
  return Lines(r.out);
}

class ConsoleEveryMode : public ::testing::TestWithParam<Mode> {
 protected:
  void SetUp() override { ASSERT_TRUE(link_.Start(GetParam())) << link_.sim().output(); }
  std::vector<std::string> Run(const std::vector<std::string>& args, int status = 0) {
    return Expect(CliOn(dir_, link_, args), status);
  }
  bool network() const { return GetParam() == Mode::kNetwork; }
  SimLink link_;
  TempDir dir_;
};

TEST_P(ConsoleEveryMode, ReadsPrintWhatTheControllerHolds) {
  const auto sent = Run({"send", "03", "0001", "0005"});
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], "01 03 00 01 00 05 D4 09 ");
  // Serial answers with their CRC, network ones as address and PDU.
  EXPECT_TRUE(std::regex_match(sent[1], std::regex(network() ? "01 03 0A ([0-9A-F]{2} ){10}" : "01 03 0A ([0-9A-F]{2} ){12}")))
      << sent[1];
  EXPECT_EQ(Run({"ident", "get"}), (std::vector<std::string>{"vendor\tKAVIRO", "product\tKV-MPPT30", "hw\tHW V2.1",
                                                              "sw\tSW V3.07", "serial\t24051701"}));
  EXPECT_EQ(Run({"light", "get", "--id", "01"}),
            (std::vector<std::string>{"天黑开灯\t18:30:00", "天黑关灯\t23:00:00", "天亮开灯\t04:30:00", "天亮关灯\t06:30:00"}));
  EXPECT_EQ(Run({"net", "get"}), (std::vector<std::string>{"mac\t024b56520001", "mode\tstatic", "port\t502",
                                                            "ip\t192.168.1.100", "mask\t255.255.255.0",
                                                            "gateway\t192.168.1.1"}));
  EXPECT_EQ(Run({"radio", "get"}),
            (std::vector<std::string>{"controller\t3231323031", "rd\t3231323036\ton", "rts\t3231323038\ton"}));
  EXPECT_EQ(Run({"address", "get"}), std::vector<std::string>{"1"});
}

TEST_P(ConsoleEveryMode, EveryWriteIsReadBack) {
  auto readBack = [](std::vector<std::string> lines) {
    if (!lines.empty()) lines.erase(lines.begin());  // the frame
    return lines;
  };
  const auto ident = Run({"ident", "set", "--vendor", "光伏科技", "--product", "", "--serial", "87654321"});
  ASSERT_FALSE(ident.empty());
  // K = 2, the empty product is not sent; N = 2 x 3 + 8 + 8.
  EXPECT_EQ(ident[0].substr(0, 24), "01 2B 0E 02 00 16 00 02 ");
  EXPECT_EQ(readBack(ident), (std::vector<std::string>{"vendor\t光伏科技", "product\tKV-MPPT30", "hw\tHW V2.1",
                                                       "sw\tSW V3.07", "serial\t87654321"}));

  const auto light = Run({"light", "set", "4", "19:45:10"});
  ASSERT_FALSE(light.empty());
  EXPECT_EQ(light[0].substr(0, 33), "01 10 E0 86 00 02 04 00 01 15 C6 ");
  EXPECT_EQ(readBack(light),
            (std::vector<std::string>{"天黑开灯\t18:30:00", "天黑关灯\t23:00:00", "天亮开灯\t04:30:00", "天亮关灯\t19:45:10"}));

  EXPECT_EQ(readBack(Run({"net", "set-mac", "0A0b0C0d0E0f"})), std::vector<std::string>{"mac\t0a0b0c0d0e0f"});
  EXPECT_EQ(readBack(Run({"net", "set", "--auto", "--listen-port", "8080"})),
            (std::vector<std::string>{"mode\tauto", "port\t8080", "ip\t0.0.0.0", "mask\t0.0.0.0", "gateway\t0.0.0.0"}));
  EXPECT_EQ(readBack(Run({"net", "set", "--static", "--listen-port", "502", "--ip", "10.1.2.3", "--mask", "255.0.0.0",
                          "--gateway", "10.0.0.1"})),
            (std::vector<std::string>{"mode\tstatic", "port\t502", "ip\t10.1.2.3", "mask\t255.0.0.0", "gateway\t10.0.0.1"}));
  EXPECT_EQ(readBack(Run({"radio", "set", "--controller", "A1A2A3A4A5", "--rd", "b1b2b3b4b5", "--rts", "C1C2C3C4C5",
                          "--rts-on"})),
            (std::vector<std::string>{"controller\ta1a2a3a4a5", "rd\tb1b2b3b4b5\toff", "rts\tc1c2c3c4c5\ton"}));

  // A new address is asked at the new address; the old one answers no more.
  EXPECT_EQ(Run({"address", "set", "5"}), (std::vector<std::string>{"01 06 00 40 00 05 48 1D ", "5"}));
  EXPECT_EQ(Run({"address", "get", "--id", "05"}), std::vector<std::string>{"5"});
  Run({"address", "get"}, 3);
}

INSTANTIATE_TEST_SUITE_P(Cli, ConsoleEveryMode, ::testing::Values(Mode::kSerial, Mode::kWireless, Mode::kNetwork),
                         [](const auto& info) { return std::string(ModeName(info.param)); });

struct Refusal {
  const char* name;
  std::vector<std::string> args;
  const char* stderrText;  // the first line of stderr
};

// Refused before any link: there is none here, opening one would end in status 2.
const Refusal kRefusals[] = {
    {"SendFunctionNotOffered", {"send", "10", "0001", "0005"}, "FUNC: the console sends 03, 04, 05 or 06"},
    {"SendAddressNotHex", {"send", "03", "0001", "0005", "--id", "G1"}, "ModBus地址，16进制数据请输入0~9或a~f或A~F的值。"},
    {"IdentVendorSixteenGbkBytes", {"ident", "set", "--vendor", "中文八个字太长了", "--serial", "12345678"},
     "格式错误: VendorName 最长15个字节"},
    {"PortZero", {"net", "set", "--auto", "--listen-port", "0"}, "端口号范围 1~65535,请重新输入!"},
    {"AddressWithALetter", {"address", "set", "12a"}, "输入数据错误，请重新输入！"},
    {"LightSlotFive", {"light", "set", "5", "12:00:00"}, "kaviro-cli light: SLOT: a whole number from 1 to 4"},
    {"LightNoSuchTime", {"light", "set", "1", "24:00:00"}, "kaviro-cli light: TIME: a time HH:MM:SS from 00:00:00 to 23:59:59"},
    {"NetNeitherStaticNorAuto", {"net", "set", "--listen-port", "502"}, "kaviro-cli net: say --static or --auto"},
    {"RadioWithoutSubVerb", {"radio"}, "kaviro-cli radio: A subcommand is required"},
};

class ConsoleRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(ConsoleRefusals, EndWithTheConsolesTextBeforeAnyLink) {
  const Refusal& c = GetParam();
  TempDir dir;
  const ChildResult r = Cli(dir, c.args);
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, 1) << r;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Lines(r.err).at(0), c.stderrText) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Cli, ConsoleRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConsoleReadBack, ALockedControllerKeepsItsValuesAndTheWriteEndsInStatusFour) {
  SimLink link;
  ASSERT_TRUE(link.Start(Mode::kSerial, {"--locked"})) << link.sim().output();
  TempDir dir;
  const auto light = Expect(CliOn(dir, link, {"light", "set", "1", "19:00:00"}), 4);
  ASSERT_EQ(light.size(), 5u);
  EXPECT_EQ(light[1], "天黑开灯\t18:30:00");
  const auto ident = Expect(CliOn(dir, link, {"ident", "set", "--serial", "87654321"}), 4);
  ASSERT_EQ(ident.size(), 6u);
  EXPECT_EQ(ident[5], "serial\t24051701");
  Expect(CliOn(dir, link, {"radio", "set", "--controller", "A1A2A3A4A5", "--rd", "b1b2b3b4b5", "--rts", "C1C2C3C4C5"}), 4);
  // The new address never answers: the read-back fails.
  const ChildResult address = CliOn(dir, link, {"address", "set", "5"});
  Expect(address, 3);
  EXPECT_EQ(address.err, "通讯失败，请检查连接或重新操作！\n");
}

const CliFailure kConsoleFailures[] = {
    {"SilentSerialSend", Mode::kSerial, {"--silent"}, false, {"send", "03", "0001", "0005"}, 3,
     "通讯失败，请检查连接或重新操作！\n"},
    {"OtherDeviceAnswersTheRadioRead", Mode::kWireless, {"--wrong-id", "1"}, false, {"radio", "get"}, 3,
     "ModBus地址不匹配\n"},
    {"ClosedAfterTheWrite", Mode::kNetwork, {"--close-after", "1"}, false, {"light", "set", "1", "18:00:00"}, 3,
     "接收数据错误！\n"},
    {"MissingDevice", Mode::kWireless, {}, true, {"net", "get"}, 2,
     "串口或被占用无法打开！\r\n请关闭占用此串口的程序，在重新打开本程序!\n"},
};

INSTANTIATE_TEST_SUITE_P(Console, CliFailures, ::testing::ValuesIn(kConsoleFailures), CliFailureName);


TEST(ConsoleHelp, EveryVerbShowsItsSynopsisAndExamples) {
  TempDir dir;
  for (const char* verb : {"send", "ident", "light", "net", "radio", "address"}) {
    const ChildResult r = Cli(dir, {verb, "--help"});
    ASSERT_TRUE(r.exited && r.code == 0) << r;
    EXPECT_EQ(r.out.rfind(std::string("kaviro-cli ") + verb, 0), 0u) << r.out;
    EXPECT_NE(r.out.find("Examples:"), std::string::npos) << verb;
    EXPECT_NE(r.out.find("--id HEX"), std::string::npos) << verb;
  }
}

}  // namespace
}  // namespace kaviro::testing
