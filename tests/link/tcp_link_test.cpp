// The TCP client against loopback listeners: events, peer name, send and receive.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "link/tcp_link.h"

namespace kaviro {
namespace {

struct Listener {
  Listener() {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd, 4);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  ~Listener() { close(fd); }
  int Accept() { return accept(fd, nullptr, nullptr); }
  int fd;
  int port;
};

// A port that was free a moment ago: nothing listens there.
int UnusedPort() {
  Listener l;
  return l.port;
}

struct Events {
  std::vector<std::pair<int, int>> seen;
  TcpLink::EventHandler Handler() {
    return [this](int event, int error) { seen.emplace_back(event, error); };
  }
};

void PumpUntil(TcpLink& link, const Events& events, size_t count) {
  for (int i = 0; i < 100 && events.seen.size() < count; ++i) link.PumpEvents(20);
}

TEST(TcpLink, PortComesFromTheEnvironment) {
  unsetenv("KAVIRO_TCP_PORT");
  EXPECT_EQ(ControllerTcpPort(), 502);
  setenv("KAVIRO_TCP_PORT", "1502", 1);
  EXPECT_EQ(ControllerTcpPort(), 1502);
  unsetenv("KAVIRO_TCP_PORT");
}

TEST(TcpLink, ConnectSendReceiveAndPeerName) {
  Listener server;
  Events events;
  TcpLink link(events.Handler());
  ASSERT_TRUE(link.Connect("127.0.0.1", server.port));
  const int peer = server.Accept();
  PumpUntil(link, events, 1);
  ASSERT_EQ(events.seen.size(), 1u);
  EXPECT_EQ(events.seen[0], std::make_pair(int{kSocketConnect}, 0));

  std::string ip;
  int port = 0;
  ASSERT_EQ(link.PeerName(ip, port), 0);
  EXPECT_EQ(ip, "127.0.0.1");
  EXPECT_EQ(ntohs(static_cast<uint16_t>(port)), server.port);

  uint8_t buf[16];
  EXPECT_EQ(link.Receive(buf), NetSocket::kWouldBlock);
  const uint8_t request[] = {0, 1, 0, 0, 0, 6, 1, 4, 0, 0, 0, 0x5A};
  EXPECT_EQ(link.Send(request), 12);
  EXPECT_EQ(read(peer, buf, sizeof buf), 12);
  (void)!write(peer, "\x00\x01\x00\x00\x00\x03\x01\x04\x00", 9);
  PumpUntil(link, events, 2);
  EXPECT_EQ(events.seen.back().first, kSocketRead);
  EXPECT_EQ(link.Receive(buf), 9);

  close(peer);
  PumpUntil(link, events, 3);
  EXPECT_EQ(events.seen.back().first, kSocketClose);
  EXPECT_EQ(link.Receive(buf), 0);
}

TEST(TcpLink, RefusedConnectionIsAConnectEventWithAnError) {
  Events events;
  TcpLink link(events.Handler());
  ASSERT_TRUE(link.Connect("127.0.0.1", UnusedPort()));
  PumpUntil(link, events, 1);
  ASSERT_EQ(events.seen.size(), 1u);
  EXPECT_EQ(events.seen[0].first, kSocketConnect);
  std::string ip;
  int port = 0;
  EXPECT_TRUE(events.seen[0].second != 0 || link.PeerName(ip, port) == -1);
}

TEST(TcpLink, ClosedOrEmptyInputs) {
  TcpLink link;
  EXPECT_FALSE(link.Connect("", 502));
  EXPECT_FALSE(link.Connect("no-such-host.invalid", 502));
  EXPECT_FALSE(link.IsOpen());
  const uint8_t one[] = {1};
  uint8_t buf[4];
  EXPECT_EQ(link.Send(one), -1);
  EXPECT_EQ(link.Receive(buf), -1);
  std::string ip;
  int port;
  EXPECT_EQ(link.PeerName(ip, port), -1);
}

}  // namespace
}  // namespace kaviro
