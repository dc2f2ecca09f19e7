// kaviro-cli settings against two simulators in each work mode: one controller's settings saved,
// applied to another and proved equal; what an apply leaves alone; an apply cut off halfway.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>

#include "cli_fixture.h"

namespace kaviro::testing {
namespace {

// A snapshot is some forty reads of up to half a second each on the serial line, and an apply
// reads one before it writes.
constexpr int kSettingsRunMs = 120000;

bool HasLine(const std::string& out, const std::string& line) {
  const std::vector<std::string> lines = Lines(out);
  return std::ranges::find(lines, line) != lines.end();
}

// The settings named by lines "WHAT\tNAME\t...".
std::vector<std::string> Named(const std::string& out, const std::string& what) {
  std::vector<std::string> names;
  for (const std::string& line : Lines(out)) {
    const std::vector<std::string> cells = Split(line, '\t');
    if (cells.size() >= 2 && cells[0] == what) names.push_back(cells[1]);
  }
  return names;
}

// The first cell of every diff line.
std::vector<std::string> Differing(const std::string& out) {
  std::vector<std::string> names;
  for (const std::string& line : Lines(out)) names.push_back(Split(line, '\t')[0]);
  return names;
}

class SettingsCopy : public ::testing::TestWithParam<Mode> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(a_.Start(GetParam())) << a_.sim().output();
    ASSERT_TRUE(b_.Start(GetParam(), ExtraFaults())) << b_.sim().output();
  }
  virtual std::vector<std::string> ExtraFaults() const { return {}; }

  ChildResult On(const SimLink& link, const std::vector<std::string>& args) {
    return RunChild(kCli, Concat(args, link.Options()),
                    {.dir = dir_.path(), .env = link.Env(), .timeoutMs = kSettingsRunMs});
  }
  void Expect(const SimLink& link, const std::vector<std::string>& args, int status = 0) {
    const ChildResult r = On(link, args);
    EXPECT_TRUE(r.exited && r.code == status) << args[0] << " " << args[1] << "\n" << r;
  }
  bool network() const { return GetParam() == Mode::kNetwork; }

  SimLink a_, b_;
  TempDir dir_;
};

TEST_P(SettingsCopy, OneControllersSettingsOnAnotherAndNothingDiffers) {
  // A's minimum is above B's maximum: B's maximum has to go up first.
  Expect(a_, {"param", "set", "battery-min", "15"});
  if (network()) Expect(a_, {"rd", "range", "2", "13", "2.0"});
  Expect(b_, {"ident", "set", "--serial", "24059999"});
  Expect(b_, {"net", "set-mac", "0a0b0c0d0e0f"});
  Expect(b_, {"param", "set", "battery-max", "14"});
  Expect(b_, {"light", "set", "3", "05:00:00"});
  Expect(b_, {"radio", "set", "--controller", "A1A2A3A4A5", "--rd", "b1b2b3b4b5", "--rts", "C1C2C3C4C5", "--rts-on"});

  ChildResult r = On(a_, {"settings", "save", "a.json"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_EQ(r.out, network() ? "a.json: 41 settings, 0 unreadable\n" : "a.json: 41 settings, 8 unreadable\n");
  if (!network()) {
    EXPECT_TRUE(HasLine(r.err, "unreadable: rd-mode: the RD is reached over the network link only")) << r.err;
  }

  r = On(b_, {"settings", "apply", "a.json"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  const std::vector<std::string> written = Named(r.out, "verified");
  const auto at = [&](const char* name) { return std::ranges::find(written, name) - written.begin(); };
  ASSERT_LT(at("battery-min"), static_cast<long>(written.size())) << r.out;
  EXPECT_LT(at("battery-max"), at("battery-min")) << r.out;
  EXPECT_TRUE(HasLine(r.err, "left as it is: radio: a link setting: only with --include-link")) << r.err;
  for (const char* own : {"mac", "ident-serial"}) EXPECT_EQ(at(own), static_cast<long>(written.size())) << own;

  // Only the link setting that was left alone differs; the MAC and serial are B's own.
  r = On(b_, {"settings", "diff", "a.json"});
  EXPECT_TRUE(r.exited && r.code == 4) << r;
  EXPECT_EQ(Differing(r.out), std::vector<std::string>{"radio"});
  r = On(b_, {"radio", "get"});
  EXPECT_EQ(Lines(r.out),
            (std::vector<std::string>{"controller\ta1a2a3a4a5", "rd\tb1b2b3b4b5\toff", "rts\tc1c2c3c4c5\ton"}));
  r = On(b_, {"net", "get"});
  EXPECT_TRUE(HasLine(r.out, "mac\t0a0b0c0d0e0f")) << r.out;

  r = On(b_, {"settings", "apply", "a.json", "--include-identity"});
  EXPECT_TRUE(r.exited && r.code == 1) << r;
  EXPECT_NE(r.err.find("the file's serial number (24051701) is not the controller's (24059999)"), std::string::npos)
      << r.err;
  r = On(b_, {"ident", "get"});
  EXPECT_TRUE(HasLine(r.out, "serial\t24059999")) << r.out;

  r = On(b_, {"settings", "apply", "a.json", "--include-link"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_EQ(Named(r.out, "verified"), std::vector<std::string>{"radio"});
  r = On(b_, {"settings", "diff", "a.json", "--format", "json"});
  EXPECT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_EQ(r.out, "[]\n");
}

TEST_P(SettingsCopy, AHandEditedValueOutOfRangeIsRefusedBeforeAnythingIsSent) {
  ASSERT_EQ(On(a_, {"settings", "save", "a.json"}).code, 0);
  Expect(b_, {"param", "set", "battery-min", "11"});
  ASSERT_EQ(On(b_, {"settings", "save", "b-before.json"}).code, 0);
  std::string file = ReadFileBytes(dir_.path() / "a.json");
  const auto edit = [&](const std::string& from, const std::string& to) {
    const size_t at = file.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    file.replace(at, from.size(), to);
  };
  edit("\"text\": \"16.00\",\n      \"words\": [\n        1600",
       "\"text\": \"20.00\",\n      \"words\": [\n        2000");
  WriteFileBytes(dir_.path() / "a.json", file);

  ChildResult r = On(b_, {"settings", "apply", "a.json"});
  EXPECT_TRUE(r.exited && r.code == 1) << r;
  EXPECT_NE(r.err.find("battery-max (0x0029) cannot be set to 20.00: 输入数据有误，请重新输入！"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
  ASSERT_EQ(On(b_, {"settings", "save", "b-after.json"}).code, 0);
  r = On(b_, {"settings", "diff", "b-before.json", "b-after.json"});
  EXPECT_TRUE(r.exited && r.code == 0) << r;
}

// B falls silent partway through the apply's writes.
class SettingsCutOff : public SettingsCopy {
 protected:
  // The snapshot's reads (the RD's seven on the network), then a few writes.
  std::vector<std::string> ExtraFaults() const override {
    const int reads = 26 + (GetParam() == Mode::kNetwork ? 7 : 0);
    return {"--silent-after", std::to_string(reads + 5)};
  }
};

TEST_P(SettingsCutOff, TheReportSaysWhatTheControllerHoldsAndASecondApplyFinishes) {
  for (const char* row : {"battery-max", "load-hvd"}) Expect(a_, {"param", "set", row, "15"});
  for (const char* slot : {"1", "2", "3", "4"}) Expect(a_, {"light", "set", slot, "03:00:00"});
  ASSERT_EQ(On(a_, {"settings", "save", "a.json"}).code, 0);

  ChildResult r = On(b_, {"settings", "apply", "a.json"});
  EXPECT_TRUE(r.exited && r.code == 3) << r;
  const std::vector<std::string> verified = Named(r.out, "verified"), failed = Named(r.out, "failed"),
                                 notTried = Named(r.out, "not tried");
  EXPECT_FALSE(verified.empty()) << r.out;
  ASSERT_EQ(failed.size(), 1u) << r.out;
  EXPECT_FALSE(notTried.empty()) << r.out;
  EXPECT_TRUE(HasLine(r.out, std::to_string(verified.size()) + " written and verified, 1 failed, " +
                                 std::to_string(notTried.size()) + " not tried"))
      << r.out;

  ::kill(b_.sim().pid(), SIGUSR1);
  r = On(b_, {"settings", "diff", "a.json"});
  EXPECT_TRUE(r.exited && r.code == 4) << r;
  const std::vector<std::string> differs = Differing(r.out);
  const auto has = [&](const std::string& name) { return std::ranges::find(differs, name) != differs.end(); };
  for (const std::string& name : verified) EXPECT_FALSE(has(name)) << name << " was verified";
  for (const std::string& name : notTried) EXPECT_TRUE(has(name)) << name << " was not tried";
  // The unconfirmed write may or may not have landed; nothing else differs.
  EXPECT_LE(differs.size(), notTried.size() + 1) << r.out;

  r = On(b_, {"settings", "apply", "a.json"});
  ASSERT_TRUE(r.exited && r.code == 0) << r;
  EXPECT_TRUE(Named(r.out, "failed").empty()) << r.out;
  r = On(b_, {"settings", "diff", "a.json"});
  EXPECT_TRUE(r.exited && r.code == 0) << r;
}

const Mode kModes[] = {Mode::kSerial, Mode::kWireless, Mode::kNetwork};
std::string ModeTestName(const ::testing::TestParamInfo<Mode>& info) { return ModeName(info.param); }
INSTANTIATE_TEST_SUITE_P(EveryMode, SettingsCopy, ::testing::ValuesIn(kModes), ModeTestName);
INSTANTIATE_TEST_SUITE_P(EveryMode, SettingsCutOff, ::testing::ValuesIn(kModes), ModeTestName);

struct BadFile {
  const char* name;
  std::string bytes;
  const char* says;
};

TEST(SettingsFiles, AForeignOrCutShortFileGetsAClearErrorAndNoLink) {
  TempDir dir;
  const BadFile files[] = {
      {"ForeignJson", R"({"format": "modbus-poll", "registers": [1, 2]})", "x.json: not a settings file of this tool"},
      {"CutShort", R"({"format": "kaviro-settings", "version": 1, "settings": [{"name": "battery-min", "regis)",
       "x.json: not a settings file: no JSON, or cut short"},
      {"NotJson", "battery-min = 10\n", "x.json: not a settings file: no JSON, or cut short"},
  };
  for (const BadFile& f : files) {
    WriteFileBytes(dir.path() / "x.json", f.bytes);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"settings", "apply", "x.json", "--mode", "serial", "--device", "/nonexistent/tty"},
             {"settings", "diff", "x.json", "x.json"}}) {
      const ChildResult r = Cli(dir, args);
      EXPECT_TRUE(r.exited && r.code == 1) << f.name << "\n" << r;
      EXPECT_EQ(r.err.rfind(f.says, 0), 0u) << f.name << "\n" << r.err;
    }
  }
  const ChildResult missing = Cli(dir, {"settings", "diff", "none.json", "x.json"});
  EXPECT_EQ(missing.err, "none.json: cannot be read\n");
}

}  // namespace
}  // namespace kaviro::testing
