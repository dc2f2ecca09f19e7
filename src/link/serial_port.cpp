#include "link/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kaviro {

namespace {

speed_t SpeedFor(int baud) {
  switch (baud) {
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B9600;
  }
}

bool Configure(int fd, int baud, int parity, int byteSize, int stopBitsCode) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  cfsetispeed(&tio, SpeedFor(baud));
  cfsetospeed(&tio, SpeedFor(baud));
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag |= byteSize == 7 ? CS7 : CS8;
  if (parity == 1) tio.c_cflag |= PARENB | PARODD;
  if (parity == 2) tio.c_cflag |= PARENB;
  if (stopBitsCode == 2) tio.c_cflag |= CSTOPB;  // the code 2 means two stop bits
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// Errors after which the handle will never work again.
bool DeviceGone(int error) { return error == EIO || error == ENXIO || error == ENODEV || error == EBADF; }

}  // namespace

void SerialPort::NoteError(int error) {
  if (DeviceGone(error)) vanished_.store(true);
}

SerialPort::~SerialPort() { Close(); }

std::string SerialPort::PathForCom(int comPort) {
  const std::string var = "KAVIRO_COM" + std::to_string(comPort);
  if (const char* mapped = std::getenv(var.c_str()); mapped && *mapped) return mapped;
  return "/dev/ttyS" + std::to_string(comPort - 1);
}

bool SerialPort::OpenCom(int comPort, int baud, int parity, int byteSize, int stopBitsCode) {
  return OpenPath(PathForCom(comPort), baud, parity, byteSize, stopBitsCode);
}

bool SerialPort::OpenPath(const std::string& path, int baud, int parity, int byteSize, int stopBitsCode) {
  if (IsOpen()) return true;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  if (!Configure(fd, baud, parity, byteSize, stopBitsCode)) {
    ::close(fd);
    return false;
  }
  ioctl(fd, TIOCEXCL);  // no sharing, like the exclusive open of a COM port; refused on some devices
  tcflush(fd, TCIOFLUSH);
  const int lines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd, TIOCMBIS, &lines);  // pseudo-terminals refuse modem lines: not an error
  fd_ = fd;
  vanished_.store(false);
  return true;
}

void SerialPort::Close() {
  const int fd = fd_.exchange(-1);
  if (fd >= 0) ::close(fd);
}

void SerialPort::Purge() {
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

int SerialPort::Queued() {
  int n = 0;
  if (fd_ < 0 || ioctl(fd_, FIONREAD, &n) != 0) return 0;
  return n;
}

int SerialPort::Read(std::span<uint8_t> out) {
  if (fd_ < 0 || out.empty()) return 0;
  size_t got = 0;
  while (got < out.size()) {
    const ssize_t n = ::read(fd_, out.data() + got, out.size() - got);
    if (n > 0) {
      got += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n < 0) NoteError(errno);
      break;  // nothing more queued right now
    }
  }
  return static_cast<int>(got);
}

int SerialPort::Write(std::span<const uint8_t> bytes) {
  if (fd_ < 0) return 0;
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // The line is full; give it the driver's write time-out (500 ms) at most.
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, 500) > 0) continue;
    }
    if (n < 0) NoteError(errno);
    break;
  }
  return static_cast<int>(sent);
}

}  // namespace kaviro
