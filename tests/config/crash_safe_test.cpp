// config.txt and log exports are written whole or not at all: a writer killed at any moment, or
// two writing at once, leave one whole content under the name and never a mix, a cut file or
// none; what killed writers leave beside it is swept by the next write.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "config/app_config.h"
#include "config/atomic_file.h"
#include "scratch.h"
#include "tools/log/log_export.h"

namespace kaviro {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string ConfigBytes(int comPort) {
  AppConfig c = AppConfig::Defaults();
  c.comPort = comPort;
  return {reinterpret_cast<const char*>(&c), sizeof c};
}

bool SaveConfigBytes(const fs::path& file, const std::string& bytes) {
  AppConfig c;
  std::memcpy(&c, bytes.data(), sizeof c);
  return SaveConfig(file, c);
}

bool WriteExport(const fs::path& file, const std::string& bytes) { return WriteFileAtomically(file, bytes); }

// A month of records, every cell filled with `mark`: some kilobytes.
std::string ExportBytes(char mark) {
  std::vector<LogRow> rows(31);
  for (LogRow& row : rows) row.fill(std::string(8, mark));
  return LogExportBytes(rows, kLogText);
}

struct Writer {
  const char* name;
  const char* file;
  std::string contents[2];
  bool (*write)(const fs::path&, const std::string&);
};
void PrintTo(const Writer& w, std::ostream* os) { *os << w.name; }

const Writer kWriters[] = {
    {"ConfigTxt", "config.txt", {ConfigBytes(2), ConfigBytes(7)}, SaveConfigBytes},
    {"LogExport", "records.txt", {ExportBytes('1'), ExportBytes('2')}, WriteExport},
};

constexpr int kKillRuns = 200;

class CrashSafeFile : public ::testing::TestWithParam<Writer> {
 protected:
  ~CrashSafeFile() override {
    for (pid_t pid : writers_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
  fs::path File() const { return scratch_ / GetParam().file; }
  bool IsWholeContent(const std::string& bytes) const {
    return bytes == GetParam().contents[0] || bytes == GetParam().contents[1];
  }
  // Everything in the directory beside the file itself.
  size_t OthersBeside() const {
    size_t n = 0;
    for (const auto& entry : fs::directory_iterator(scratch_.path())) n += entry.path() != File();
    return n;
  }
  // A process that writes the two contents by turns until it is killed.
  pid_t StartWriter() {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      for (int i = 0;; ++i) GetParam().write(File(), GetParam().contents[i % 2]);
    }
    writers_.push_back(pid);
    return pid;
  }
  void Kill(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    std::erase(writers_, pid);
  }

  testing::ScratchDir scratch_{"config"};
  std::vector<pid_t> writers_;
};

TEST_P(CrashSafeFile, WriterKilledAtAnyMomentLeavesAWholeContent) {
  const Writer& w = GetParam();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(w.write(File(), w.contents[i % 2]));
  const auto writeUs = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count() / 10;

  // The kills are spread over the writer's start and its first write.
  std::mt19937 dice(static_cast<unsigned>(::testing::UnitTest::GetInstance()->random_seed()));
  std::uniform_int_distribution<long> delayUs(0, writeUs + 500);
  int leftTemporary = 0;
  for (int run = 0; run < kKillRuns; ++run) {
    const pid_t writer = StartWriter();
    ::usleep(static_cast<useconds_t>(delayUs(dice)));
    Kill(writer);
    const std::string now = ReadAll(File());
    ASSERT_TRUE(IsWholeContent(now)) << "run " << run << ": " << now.size() << " bytes";
    leftTemporary += OthersBeside() > 0;
  }
  EXPECT_GT(leftTemporary, 0) << "no kill landed inside a write (one takes " << writeUs << " us)";
  ASSERT_TRUE(w.write(File(), w.contents[0]));
  EXPECT_EQ(OthersBeside(), 0u);
  EXPECT_EQ(ReadAll(File()), w.contents[0]);
}

TEST_P(CrashSafeFile, TwoWritersAtOnceNeverMixTheirBytes) {
  const Writer& w = GetParam();
  ASSERT_TRUE(w.write(File(), w.contents[0]));
  const pid_t first = StartWriter();
  const pid_t second = StartWriter();
  for (int read = 0; read < 300; ++read) {
    const std::string now = ReadAll(File());
    ASSERT_TRUE(IsWholeContent(now)) << "read " << read << ": " << now.size() << " bytes";
    ::usleep(1000);
  }
  Kill(first);
  Kill(second);
  EXPECT_TRUE(IsWholeContent(ReadAll(File())));
}

INSTANTIATE_TEST_SUITE_P(Files, CrashSafeFile, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });

// A file or link already beside the target is never written through, and a write that fails
// leaves nothing of its own.
TEST(AtomicFile, TouchesNothingButItsOwnTemporaryFile) {
  testing::ScratchDir dir("config");
  const fs::path victim = dir / "victim";
  std::ofstream(victim) << "keep";
  fs::create_symlink(victim, dir / "config.txt.tmp");
  ASSERT_TRUE(SaveConfig(dir / "config.txt", AppConfig::Defaults()));
  EXPECT_EQ(ReadAll(victim), "keep");
  EXPECT_EQ(ReadAll(dir / "config.txt"), ConfigBytes(2));

  fs::create_directory(dir / "taken");  // the rename over it fails
  EXPECT_FALSE(WriteFileAtomically(dir / "taken", "bytes"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 4);
}

}  // namespace
}  // namespace kaviro
