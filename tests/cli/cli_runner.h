#pragma once
// Runs a program as a child in a working directory of its own, with stdout and stderr captured
// apart, and gives its exit status; a running child can be watched and signalled.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "scratch.h"

extern char** environ;

namespace kaviro::testing {

// The working directory of a command under test, removed with everything in it.
class TempDir : public ScratchDir {
 public:
  TempDir() : ScratchDir("cli") {}
};

inline std::string ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The absolute path of `program` on $PATH, or nothing.
inline std::optional<std::string> FindInPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

struct ChildResult {
  bool exited = false;  // ended by exit(); otherwise `code` is the signal (or -1: did not end in time)
  int code = -1;
  std::string out;
  std::string err;
};

inline std::ostream& operator<<(std::ostream& os, const ChildResult& r) {
  return os << (r.exited ? "exit " : "signal/timeout ") << r.code << "\n--- stdout:\n"
            << r.out << "\n--- stderr:\n"
            << r.err;
}

struct ChildOptions {
  std::filesystem::path dir;                    // working directory (required)
  std::map<std::string, std::string> env = {};  // set on top of this process's environment
  int timeoutMs = 20000;                        // the child is killed after this
};

class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    CloseFds();
  }

  bool Start(const std::string& binary, const std::vector<std::string>& args, const ChildOptions& options) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return false;
    if (::pipe2(err, O_CLOEXEC) != 0) {
      ::close(out[0]);
      ::close(out[1]);
      return false;
    }
    // Built before fork: only async-signal-safe calls between fork and exec.
    std::vector<std::string> argvText{binary};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::map<std::string, std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const size_t eq = entry.find('=');
      if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [name, value] : options.env) env[name] = value;
    std::vector<std::string> envText;
    for (const auto& [name, value] : env) envText.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string dir = options.dir.string();

    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
    pid_ = ::fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that dies
      const int devnull = ::open("/dev/null", O_RDONLY);
      ::dup2(devnull, STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(err[1], STDERR_FILENO);
      if (::chdir(dir.c_str()) != 0) ::_exit(126);
      ::execve(binary.c_str(), argv.data(), envp.data());
      ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
    return true;
  }

  // Reads what the child writes until `ready(stdout so far)` holds, its output ends or the
  // deadline passes; whether `ready` came true.
  bool WaitForOutput(const std::function<bool(const std::string&)>& ready) {
    while (!ready(result_.out)) {
      if (!Pump()) return ready(result_.out);
    }
    return true;
  }

  void Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
  }

  // Collects the rest of the output and the exit status; kills the child at the deadline.
  ChildResult Finish() {
    while (Pump()) {
    }
    if (pid_ > 0) {
      int status = 0;
      while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline_) {
          ::kill(pid_, SIGKILL);
          ::waitpid(pid_, &status, 0);
          pid_ = -1;
          result_.exited = false;
          result_.code = -1;
          return result_;
        }
        ::usleep(5000);
      }
      pid_ = -1;
      result_.exited = WIFEXITED(status);
      result_.code = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
    }
    return result_;
  }

 private:
  // One round of reading both pipes; false once both are closed or the deadline has passed.
  bool Pump() {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline_ || (outFd_ < 0 && errFd_ < 0)) return false;
    const int waitMs = static_cast<int>(
        std::min<long long>(100, std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - now).count()));
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (::poll(fds, 2, waitMs) <= 0) return true;
    ReadInto(fds[0], outFd_, result_.out);
    ReadInto(fds[1], errFd_, result_.err);
    return true;
  }

  static void ReadInto(const pollfd& p, int& fd, std::string& text) {
    if (fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) return;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      ::close(fd);
      fd = -1;
    }
  }

  void CloseFds() {
    if (outFd_ >= 0) ::close(outFd_);
    if (errFd_ >= 0) ::close(errFd_);
    outFd_ = errFd_ = -1;
  }

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  std::chrono::steady_clock::time_point deadline_;
  ChildResult result_;
};

// Runs `binary` to the end.
inline ChildResult RunChild(const std::string& binary, const std::vector<std::string>& args,
                            const ChildOptions& options) {
  Child child;
  if (!child.Start(binary, args, options)) return {};
  return child.Finish();
}

}  // namespace kaviro::testing
