#include "config/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>
#include <string>

namespace kaviro {

namespace {

namespace fs = std::filesystem;

// Temporary files are "<name>.<pid>-<random>.tmp" beside the target: whose they are is in the name.
std::string TemporaryPrefix(const fs::path& target) { return target.filename().string() + "."; }

fs::path TemporaryName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 dice(std::random_device{}());
  return target.parent_path() / (TemporaryPrefix(target) + std::to_string(::getpid()) + "-" +
                                 std::to_string(dice() ^ counter++) + ".tmp");
}

// The pid in a temporary name of `target`, or 0 when the name is no such temporary.
pid_t TemporaryOwner(const fs::path& target, const std::string& name) {
  const std::string prefix = TemporaryPrefix(target);
  if (name.rfind(prefix, 0) != 0 || name.size() < prefix.size() + 5 || name.substr(name.size() - 4) != ".tmp")
    return 0;
  const size_t dash = name.find('-', prefix.size());
  if (dash == std::string::npos || dash == prefix.size() || dash - prefix.size() > 9) return 0;
  pid_t pid = 0;
  for (size_t i = prefix.size(); i < dash; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    pid = pid * 10 + (name[i] - '0');
  }
  return pid;
}

// A writer that was killed could not remove its temporary file; the next one does.
void RemoveTemporariesOfEndedWriters(const fs::path& target) {
  std::error_code ec;
  const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const pid_t owner = TemporaryOwner(target, it->path().filename().string());
    std::error_code ignored;
    if (owner > 1 && ::kill(owner, 0) != 0 && errno == ESRCH && fs::is_regular_file(it->symlink_status(ignored)))
      fs::remove(it->path(), ignored);
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The rename lasts once the directory entry is on disk. A directory that cannot be opened for
// it, or a filesystem that cannot sync one (EINVAL), leaves that to the system: the new content
// is in place all the same.
bool SyncDirectory(const fs::path& target) {
  const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return true;
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

}  // namespace

bool WriteFileAtomically(const fs::path& path, std::string_view bytes) {
  RemoveTemporariesOfEndedWriters(path);
  // A name of our own, created here: never a file or link someone else put there, and never
  // shared with another writer of the same target.
  fs::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 4 && fd < 0; ++attempt) {
    temp = TemporaryName(path);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return SyncDirectory(path);
}

}  // namespace kaviro
