#include "sim/pty_server.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "link/radio_packet.h"

namespace kaviro::sim {

namespace {

// A partial frame is dropped after this much silence. Between the packets of one wireless frame
// the tool pauses about 100 ms, so the joined stream waits longer.
constexpr int kSerialGapMs = 50;
constexpr int kPacketGapMs = 50;
constexpr int kJoinedGapMs = 300;
// No client has the slave open: look again after this long.
constexpr int64_t kHangUpRetryUs = 10'000;

bool MakeRaw(const std::string& slave) {
  const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  termios tio{};
  bool ok = tcgetattr(fd, &tio) == 0;
  if (ok) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    ok = tcsetattr(fd, TCSANOW, &tio) == 0;
  }
  ::close(fd);
  return ok;
}

std::vector<uint8_t> Packed(std::span<const uint8_t> frame) {
  std::vector<uint8_t> out;
  for (const RadioPacket& p : PackFrame(frame)) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace

PtyServer::PtyServer(const PtyOptions& options, Station& station, TrafficLog& log)
    : options_(options),
      station_(station),
      log_(log),
      joiner_(kPacketGapMs),
      framer_(options.wireless ? kJoinedGapMs : kSerialGapMs),
      out_(options.pace ? kByteUs : 0) {}

std::unique_ptr<PtyServer> PtyServer::Open(const PtyOptions& options, Station& station, TrafficLog& log,
                                           std::string& error) {
  std::unique_ptr<PtyServer> server(new PtyServer(options, station, log));
  server->master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  char name[PATH_MAX] = {};
  if (server->master_ < 0 || grantpt(server->master_) != 0 || unlockpt(server->master_) != 0 ||
      ptsname_r(server->master_, name, sizeof name) != 0) {
    error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
    return nullptr;
  }
  server->slave_ = name;
  if (!MakeRaw(server->slave_)) {
    error = "cannot set raw mode on " + server->slave_;
    return nullptr;
  }
  struct stat st{};
  if (::lstat(options.link.c_str(), &st) == 0) {
    // Replace a link left by an earlier run, never a file or device of someone else.
    if (!S_ISLNK(st.st_mode)) {
      error = options.link + " exists and is not a symbolic link";
      return nullptr;
    }
    ::unlink(options.link.c_str());
  }
  if (::symlink(server->slave_.c_str(), options.link.c_str()) != 0) {
    error = "cannot link " + options.link + ": " + std::strerror(errno);
    return nullptr;
  }
  server->linked_ = true;
  return server;
}

PtyServer::~PtyServer() {
  if (linked_) {
    // Only our own link goes: another instance may have taken the path over.
    char target[PATH_MAX] = {};
    const ssize_t n = ::readlink(options_.link.c_str(), target, sizeof target - 1);
    if (n > 0 && slave_ == std::string(target, static_cast<size_t>(n))) ::unlink(options_.link.c_str());
  }
  if (master_ >= 0) ::close(master_);
}

void PtyServer::Watch(std::vector<pollfd>& fds, int64_t nowUs) {
  watched_ = nowUs >= hungUpUntilUs_;
  if (watched_) fds.push_back({master_, static_cast<short>(POLLIN | (writeBlocked_ ? POLLOUT : 0)), 0});
}

std::optional<int64_t> PtyServer::WakeUs() const {
  std::optional<int64_t> wake;
  auto earliest = [&](std::optional<int64_t> t) {
    if (t && (!wake || *t < *wake)) wake = t;
  };
  if (!watched_) earliest(hungUpUntilUs_);
  if (!writeBlocked_) earliest(out_.WakeUs());
  if (auto t = framer_.Deadline()) earliest(*t * 1000);
  if (auto t = joiner_.Deadline()) earliest(*t * 1000);
  return wake;
}

void PtyServer::HungUp(int64_t nowUs) {
  // The client closed the slave: what it had half sent and what was meant for it are gone.
  hungUpUntilUs_ = nowUs + kHangUpRetryUs;
  writeBlocked_ = false;
  out_.Clear();
  joiner_.Clear();
  framer_.Clear();
}

void PtyServer::Serve(std::span<const pollfd> fds, int64_t nowUs) {
  if (!fds.empty()) {
    const short ev = fds[0].revents;
    if (ev & POLLOUT) writeBlocked_ = false;
    if (ev & POLLIN) Receive(nowUs);
    else if (ev & (POLLHUP | POLLERR)) HungUp(nowUs);
  }
  const int64_t nowMs = nowUs / 1000;
  joiner_.Expire(nowMs);
  framer_.Expire(nowMs);
  if (nowUs >= hungUpUntilUs_) Transmit(nowUs);
}

void PtyServer::Receive(int64_t nowUs) {
  uint8_t buffer[512];
  for (;;) {
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) {
      const std::span<const uint8_t> bytes(buffer, static_cast<size_t>(n));
      std::vector<uint8_t> data;
      if (options_.wireless) data = joiner_.Feed(bytes, nowUs / 1000);
      const std::span<const uint8_t> plain = options_.wireless ? std::span<const uint8_t>(data) : bytes;
      for (const RtuRequest& request : framer_.Feed(plain, nowUs / 1000)) Answer(request, nowUs);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EIO) HungUp(nowUs);
    return;  // EAGAIN: all read
  }
}

void PtyServer::Answer(const RtuRequest& request, int64_t nowUs) {
  log_.Bytes("pty", "<-", request.frame);
  auto reply = station_.AnswerRtu(request.frame);
  if (!reply) return;
  FaultInjector& faults = *reply->faults;
  auto wire = faults.Spoil(std::move(reply->bytes), AnswerForm::kRtu);
  if (!wire) {
    log_.Note("pty", "answer withheld", reply->from);
    return;
  }
  if (options_.wireless) {
    *wire = Packed(*wire);
  } else if (request.padded) {
    wire->resize((wire->size() + RtuFramer::kBlock - 1) / RtuFramer::kBlock * RtuFramer::kBlock, 0);
  }
  if (faults.Echoes()) {
    // The line hands the request back at once, ahead of the answer and its delay.
    std::vector<uint8_t> echo(request.frame.begin(), request.frame.end());
    if (options_.wireless) echo = Packed(echo);
    else if (request.padded) echo.resize((echo.size() + RtuFramer::kBlock - 1) / RtuFramer::kBlock * RtuFramer::kBlock, 0);
    log_.Bytes("pty", "-> echo", echo, reply->from);
    out_.Push(std::move(echo), std::max(nowUs, out_.LastDueUs()));
  }
  log_.Bytes("pty", "->", *wire, reply->from);
  for (const char* spoil : faults.LastSpoils()) log_.Note("pty", std::string("answer spoilt: ") + spoil, reply->from);
  int64_t due = std::max(nowUs, out_.LastDueUs());
  for (FaultInjector::Piece& piece : faults.Schedule(std::move(*wire))) {
    due += static_cast<int64_t>(piece.afterMs) * 1000;
    out_.Push(std::move(piece.bytes), due);
  }
}

void PtyServer::Transmit(int64_t nowUs) {
  while (!writeBlocked_) {
    const std::span<const uint8_t> ready = out_.Ready(nowUs);
    if (ready.empty()) return;
    const ssize_t n = ::write(master_, ready.data(), ready.size());
    if (n > 0) {
      out_.Consumed(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      writeBlocked_ = true;
      return;
    }
    HungUp(nowUs);
    return;
  }
}

}  // namespace kaviro::sim
