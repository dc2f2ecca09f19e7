// config.txt: the 32-byte record, its defaults and its failure cases.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "config/app_config.h"
#include "scratch.h"

namespace kaviro {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const Bytes kDefaultBytes = {0x02, 0, 0, 0, 0x01, 0, 0, 0, 0x03, 0, 0, 0, 0x01, 0, 0, 0,
                             0x00, 0, 0, 0, 0xC7, 0x01, 0xA8, 0xC0, 0x00, 0, 0, 0, 0x40, 0x41, 0x52, 0x4D};

class ConfigTest : public ::testing::Test {
 protected:
  Bytes FileBytes() {
    std::ifstream in(ConfigPath(dir), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void WriteFile(const Bytes& b) {
    std::ofstream out(ConfigPath(dir), std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  testing::ScratchDir scratch{"config"};
  fs::path dir = scratch.path();
};

TEST_F(ConfigTest, FreshDirectoryGetsTheDefaultRecord) {
  EXPECT_EQ(LoadConfig(ConfigPath(dir)), AppConfig::Defaults());
  EXPECT_EQ(FileBytes(), kDefaultBytes);
}

TEST_F(ConfigTest, ForeignOrShortFilesAreReplacedByDefaults) {
  Bytes wrongSignature = kDefaultBytes;
  wrongSignature[31] = 'N';
  wrongSignature[0] = 7;
  const Bytes cases[] = {wrongSignature, Bytes{1, 2, 3}, Bytes{}};
  for (const Bytes& content : cases) {
    WriteFile(content);
    EXPECT_EQ(LoadConfig(ConfigPath(dir)), AppConfig::Defaults());
    EXPECT_EQ(FileBytes(), kDefaultBytes);
  }
}

TEST_F(ConfigTest, LongerFileKeepsItsTailAndValidRecordIsRead) {
  Bytes stored = kDefaultBytes;
  stored[0] = 7;     // COM7
  stored[24] = 2;    // wireless
  stored.push_back(0x99);
  WriteFile(stored);
  const AppConfig c = LoadConfig(ConfigPath(dir));
  EXPECT_EQ(c.comPort, 7);
  EXPECT_EQ(c.workMode, 2);
  EXPECT_EQ(FileBytes(), stored);
}

TEST_F(ConfigTest, UnopenableFileLeavesDefaultsInMemoryOnly) {
  fs::create_directory(ConfigPath(dir));  // a directory where the file should be
  EXPECT_EQ(LoadConfig(ConfigPath(dir)), AppConfig::Defaults());
  EXPECT_TRUE(fs::is_directory(ConfigPath(dir)));
  EXPECT_FALSE(SaveConfig(ConfigPath(dir), AppConfig::Defaults()));
  EXPECT_EQ(LoadConfig(dir / "missing-dir" / "config.txt"), AppConfig::Defaults());
}

TEST_F(ConfigTest, SaveRoundTripsAndLeavesNoTemporaryFile) {
  AppConfig c = AppConfig::Defaults();
  c.controllerIp = 0x0A000005;
  c.comPort = 0;
  c.batteryVoltage = -1;
  ASSERT_TRUE(SaveConfig(ConfigPath(dir), c));
  EXPECT_EQ(LoadConfig(ConfigPath(dir)), c);
  const Bytes b = FileBytes();
  ASSERT_EQ(b.size(), 32u);
  EXPECT_EQ(Bytes(b.begin() + 20, b.begin() + 24), (Bytes{0x05, 0x00, 0x00, 0x0A}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);
}

TEST(ConfigBytes, OnlyARecordEndingInItsSignatureIsTaken) {
  Bytes longer = kDefaultBytes;
  longer[0] = 9;
  longer.insert(longer.end(), {0xAA, 0xBB});  // what follows the record is not looked at
  Bytes signatureAtTheEnd(kDefaultBytes.begin() + 28, kDefaultBytes.end());
  signatureAtTheEnd.insert(signatureAtTheEnd.begin(), 28, 0);
  Bytes misplaced = {0x40, 0x41, 0x52, 0x4D};  // the signature alone, at the start of a short file
  Bytes cut(kDefaultBytes.begin(), kDefaultBytes.end() - 1);
  const struct {
    const char* name;
    Bytes bytes;
    std::optional<int> comPort;
  } cases[] = {
      {"the default record", kDefaultBytes, 2},   {"a longer file", longer, 9},
      {"zeros and the signature", signatureAtTheEnd, 0}, {"empty", {}, std::nullopt},
      {"the signature too early", misplaced, std::nullopt}, {"one byte short", cut, std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<AppConfig> got = ConfigFromBytes(c.bytes);
    ASSERT_EQ(got.has_value(), c.comPort.has_value()) << c.name;
    if (got) {
      EXPECT_EQ(got->comPort, *c.comPort) << c.name;
    }
  }
  EXPECT_EQ(ConfigFromBytes(kDefaultBytes), AppConfig::Defaults());
}

TEST(ConfigText, IpIsMostSignificantOctetFirst) {
  EXPECT_EQ(IpText(0xC0A801C7), "192.168.1.199");
  EXPECT_EQ(IpText(0x0A000005), "10.0.0.5");
}

}  // namespace
}  // namespace kaviro
