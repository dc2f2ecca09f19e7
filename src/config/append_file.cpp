#include "config/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kaviro {

namespace {

// The size of `path` up to and with its last line end, looked for from the end.
uint64_t WholeLinesSize(const std::filesystem::path& path, uint64_t size) {
  const int reader = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (reader < 0) return size;
  char chunk[4096];
  uint64_t end = size;
  uint64_t whole = 0;
  while (end > 0) {
    const uint64_t begin = end > sizeof chunk ? end - sizeof chunk : 0;
    const ssize_t n = ::pread(reader, chunk, end - begin, static_cast<off_t>(begin));
    if (n <= 0) {
      whole = size;  // unreadable: left as it is
      break;
    }
    const std::string_view seen(chunk, static_cast<size_t>(n));
    if (const size_t at = seen.rfind('\n'); at != std::string_view::npos) {
      whole = begin + at + 1;
      break;
    }
    end = begin;
  }
  ::close(reader);
  return whole;
}

}  // namespace

std::unique_ptr<AppendFile> AppendFile::Open(const std::filesystem::path& path, Start start, std::string& error) {
  const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (start == Start::kEmpty ? O_TRUNC : 0);
  const int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) {
    error = path.string() + ": " + std::strerror(errno);
    return nullptr;
  }
  struct stat info {};
  uint64_t size = ::fstat(fd, &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
  if (start == Start::kWholeLines && size > 0) {
    const uint64_t whole = WholeLinesSize(path, size);
    if (whole != size && ::ftruncate(fd, static_cast<off_t>(whole)) == 0) size = whole;
  }
  return std::unique_ptr<AppendFile>(new AppendFile(fd, size));
}

AppendFile::~AppendFile() { ::close(fd_); }

bool AppendFile::Append(std::string_view bytes) {
  while (ok_ && !bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok_ = false;
    else bytes.remove_prefix(static_cast<size_t>(n));
  }
  return ok_;
}

}  // namespace kaviro
