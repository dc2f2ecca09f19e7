#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace kaviro {

// A file that only grows, each Append one write(2) of the whole block straight to the system: a
// process killed between two appends leaves every block whole, and nothing waits in a buffer of
// ours to be lost.
class AppendFile {
 public:
  enum class Start {
    kKeep,
    kEmpty,
    // Kept up to its last line end: a line a kill cut short (a write can be cut where it crosses
    // a page) goes, so what follows starts on a line of its own.
    kWholeLines,
  };
  // Nothing, with the reason in `error`, when the file cannot be opened for writing.
  static std::unique_ptr<AppendFile> Open(const std::filesystem::path& path, Start start, std::string& error);
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // False once any append failed (the disk full, say); later appends are not tried.
  bool Append(std::string_view bytes);
  bool ok() const { return ok_; }
  // The size it had once opened (after a cut line went).
  uint64_t OpenedSize() const { return openedSize_; }

 private:
  AppendFile(int fd, uint64_t size) : fd_(fd), openedSize_(size) {}
  int fd_;
  uint64_t openedSize_;
  bool ok_ = true;
};

}  // namespace kaviro
