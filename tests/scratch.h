#pragma once
// What tests put into the temp directory is named kaviro-<kind>-<pid>-..., after the process
// that made it. Each test removes its own, also when it fails; at the end of a run the process
// checks that nothing of its own is left, and what a killed or crashed test process left behind
// is swept by the next one to start (tests/nothing_left_behind.cpp makes the check).
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

namespace kaviro::testing {

inline constexpr const char* kScratchKinds[] = {"gui", "cli", "sim", "config", "diag"};

// <temp>/kaviro-<kind>-<pid>-
inline std::string ScratchPrefix(const std::string& kind, pid_t pid = ::getpid()) {
  return (std::filesystem::temp_directory_path() / ("kaviro-" + kind + "-" + std::to_string(pid) + "-")).string();
}

// Scratch entries in the temp directory with the pid that made them.
struct ScratchEntry {
  std::filesystem::path path;
  pid_t owner;
};

inline std::vector<ScratchEntry> ScratchEntries() {
  std::vector<ScratchEntry> found;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(std::filesystem::temp_directory_path(), ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    for (const std::string kind : kScratchKinds) {
      const std::string head = "kaviro-" + kind + "-";
      if (name.rfind(head, 0) != 0) continue;
      const size_t dash = name.find('-', head.size());
      const std::string digits = name.substr(head.size(), dash == std::string::npos ? 0 : dash - head.size());
      if (!digits.empty() && digits.size() < 10 && std::all_of(digits.begin(), digits.end(), ::isdigit))
        found.push_back({it->path(), static_cast<pid_t>(std::stol(digits))});
      break;
    }
  }
  return found;
}

// Removes what test processes that no longer run have left; once per process.
inline void SweepScratchOfEndedProcesses() {
  static const bool swept = [] {
    for (const ScratchEntry& e : ScratchEntries()) {
      std::error_code ec;
      if (e.owner > 1 && ::kill(e.owner, 0) != 0 && errno == ESRCH) std::filesystem::remove_all(e.path, ec);
    }
    return true;
  }();
  (void)swept;
}

// A fresh directory <temp>/kaviro-<kind>-<pid>-XXXXXX, removed with everything in it.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& kind) {
    SweepScratchOfEndedProcesses();
    std::string pattern = ScratchPrefix(kind) + "XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace kaviro::testing
