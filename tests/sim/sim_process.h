#pragma once
// Starts the kaviro-sim binary for a test and stops it again: waits for its ready line, knows its
// TCP port, and on teardown sends SIGTERM and reaps it (SIGKILL if it does not go).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "scratch.h"

namespace kaviro::testing {

class SimProcess {
 public:
  SimProcess() = default;
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;
  ~SimProcess() { Stop(); }

  // A path in the temp directory that no other test process uses. A --pty link made there is
  // removed by Stop() when the simulator could not remove it itself.
  static std::string UniquePath(const std::string& tag) {
    static std::atomic<int> counter{0};
    SweepScratchOfEndedProcesses();
    return ScratchPrefix("sim") + tag + "-" + std::to_string(counter++);
  }

  // Runs `binary` with `args` and waits for the line that says it serves. False when it exits or
  // stays silent; `output()` then holds what it printed.
  bool Start(const std::string& binary, const std::vector<std::string>& args, int timeoutMs = 5000) {
    args_ = args;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return false;
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int err = stderrPath_.empty() ? -1 : ::open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // a test that dies takes its simulator along
      ::dup2(out[1], STDOUT_FILENO);
      if (err >= 0) ::dup2(err, STDERR_FILENO);
      ::execv(binary.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    if (err >= 0) ::close(err);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool ready = false;
    while (!ready && std::chrono::steady_clock::now() < deadline) {
      pollfd p{out[0], POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      char c = 0;
      if (::read(out[0], &c, 1) != 1) break;
      if (c == '\n') ready = output_.rfind("kaviro-sim: serving", 0) == 0;
      else output_ += c;
    }
    ::close(out[0]);
    if (!ready) {
      Stop();
      return false;
    }
    std::smatch m;
    static const std::regex kTcp("tcp [0-9.]+:([0-9]+)");
    if (std::regex_search(output_, m, kTcp)) tcpPort_ = std::stoi(m[1]);
    return true;
  }

  // Sends `signal` and waits for the exit; the exit status, or nothing after `timeoutMs`.
  std::optional<int> SignalAndWait(int signal, int timeoutMs = 3000) {
    if (pid_ <= 0) return std::nullopt;
    ::kill(pid_, signal);
    return WaitExit(timeoutMs);
  }

  std::optional<int> WaitExit(int timeoutMs) {
    for (int waited = 0; pid_ > 0 && waited <= timeoutMs; waited += 10) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return status;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
  }

  void Stop() {
    if (pid_ > 0 && !SignalAndWait(SIGTERM, 2000)) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    RemoveLeftLinks();
  }

  // What the simulator writes on stderr (its --verbose traffic) goes to `path`, appended, from the
  // next Start() on.
  void StderrTo(const std::string& path) { stderrPath_ = path; }

  bool Running() const { return pid_ > 0; }
  int tcpPort() const { return tcpPort_; }
  pid_t pid() const { return pid_; }
  const std::string& output() const { return output_; }

 private:
  // A simulator that was killed or crashed leaves its --pty link behind.
  void RemoveLeftLinks() {
    if (pid_ > 0) return;
    const std::string ours = ScratchPrefix("sim");
    for (const std::string& a : args_) {
      std::error_code ec;
      if (a.rfind(ours, 0) == 0 && std::filesystem::is_symlink(std::filesystem::symlink_status(a, ec)))
        std::filesystem::remove(a, ec);
    }
  }

  std::vector<std::string> args_;
  std::string stderrPath_;
  pid_t pid_ = -1;
  int tcpPort_ = 0;
  std::string output_;
};

}  // namespace kaviro::testing
