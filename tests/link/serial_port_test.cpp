// The real termios port: a pseudo-terminal stands in for the COM port.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "link/link_service.h"
#include "link/serial_port.h"

namespace kaviro {
namespace {

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

struct Pty {
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    slave = ptsname(master);
  }
  ~Pty() { close(master); }
  int master;
  std::string slave;
};

TEST(SerialPort, ComNumbersMapThroughTheEnvironment) {
  setenv("KAVIRO_COM7", "/tmp/some-tty", 1);
  EXPECT_EQ(SerialPort::PathForCom(7), "/tmp/some-tty");
  unsetenv("KAVIRO_COM7");
  EXPECT_EQ(SerialPort::PathForCom(7), "/dev/ttyS6");
  EXPECT_EQ(SerialPort::PathForCom(1), "/dev/ttyS0");
}

TEST(SerialPort, FailedOpensLeakNothing) {
  const int before = OpenDescriptors();
  for (const char* path : {"/nonexistent/tty", "/dev/null"}) {  // missing, and not a terminal
    SerialPort port;
    EXPECT_FALSE(port.OpenPath(path)) << path;
    EXPECT_FALSE(port.IsOpen());
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(SerialPort, OpensRaw9600With2StopBits) {
  Pty pty;
  SerialPort port;
  ASSERT_TRUE(port.OpenPath(pty.slave));
  EXPECT_TRUE(port.OpenPath("/nonexistent"));  // already open: nothing else is opened
  termios tio{};
  const int probe = open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(probe, 0);
  ASSERT_EQ(tcgetattr(probe, &tio), 0);
  close(probe);
  EXPECT_EQ(cfgetospeed(&tio), B9600);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_FALSE(tio.c_cflag & PARENB);
  EXPECT_FALSE(tio.c_lflag & ICANON);
  EXPECT_FALSE(tio.c_iflag & IXON);
}

// An adapter pulled out: the handle stays open but will never work again, and says so; a new open
// of the same path starts afresh.
TEST(SerialPort, NoticesTheDeviceVanishing) {
  auto pty = std::make_unique<Pty>();
  const std::string path = pty->slave;
  SerialPort port;
  ASSERT_TRUE(port.OpenPath(path));
  const uint8_t byte = 0x01;
  EXPECT_EQ(port.Write({&byte, 1}), 1);
  EXPECT_FALSE(port.Vanished());
  pty.reset();
  EXPECT_EQ(port.Write({&byte, 1}), 0);
  EXPECT_TRUE(port.Vanished());
  EXPECT_TRUE(port.IsOpen());

  Pty next;
  port.Close();
  ASSERT_TRUE(port.OpenPath(next.slave));
  EXPECT_FALSE(port.Vanished());
}

TEST(SerialPort, QueuedCountReadAndPurge) {
  Pty pty;
  SerialPort port;
  ASSERT_TRUE(port.OpenPath(pty.slave));
  const uint8_t bytes[] = {1, 2, 3, 4, 5};
  ASSERT_EQ(write(pty.master, bytes, sizeof bytes), 5);
  usleep(20000);
  EXPECT_EQ(port.Queued(), 5);
  uint8_t got[3] = {};
  EXPECT_EQ(port.Read(got), 3);
  EXPECT_EQ(got[2], 3);
  port.Purge();
  EXPECT_EQ(port.Queued(), 0);
}

// A whole poll read through the pseudo-terminal, answered by a thread on the master side.
TEST(SerialPort, RealExchangeThroughAPseudoTerminal) {
  Pty pty;
  std::thread device([&] {
    std::vector<uint8_t> request;
    while (request.size() < 8) {
      pollfd p{pty.master, POLLIN, 0};
      if (poll(&p, 1, 2000) <= 0) return;
      uint8_t buf[16];
      const ssize_t n = read(pty.master, buf, sizeof buf);
      if (n > 0) request.insert(request.end(), buf, buf + n);
    }
    std::vector<uint8_t> body{request[0], request[1], 20};
    for (int i = 0; i < 10; ++i) PutU16(body, static_cast<uint16_t>(1000 + i));
    const RtuFrame answer = RtuFrame::Seal(body);
    (void)!write(pty.master, answer.Bytes().data(), answer.size());
  });
  LinkService link;
  ASSERT_TRUE(link.EnsureSerialOpenPath(pty.slave));
  ExchangePolicy p;
  p.line = wait::UntilBytes{.sleepMs = 10, .checks = 200};
  p.lineAccept = Accept::kReadRule;
  const ExchangeResult r = link.Exchange(LinkMode::kSerial, ReadRegisters(1, 4, 0, 10), 25, p);
  device.join();
  ASSERT_EQ(r.outcome, Outcome::kAnswered);
  EXPECT_EQ(GetU16(link.receive().Stored(), 3), 1000);
  EXPECT_EQ(GetU16(link.receive().Stored(), 21), 1009);
}

}  // namespace
}  // namespace kaviro
