#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "link/clock.h"
#include "link/exchange_policy.h"
#include "link/frame_record.h"
#include "link/link_stats.h"
#include "link/link_mode.h"
#include "link/net_inbox.h"
#include "link/network_frame.h"
#include "link/radio_packet.h"
#include "link/receive_buffer.h"
#include "link/rtu_frame.h"
#include "link/serial_port.h"

namespace kaviro {

// The one exchange engine and the live link state it works on: the serial port, the network
// connection, the receive buffers and the transaction id. Callers hold Mutex() for a whole
// exchange (the poll for a whole poll) so the worker and a dialog never use the link at once.
class LinkService {
 public:
  explicit LinkService(Clock& clock = SystemClock::Instance());
  LinkService(const LinkService&) = delete;
  LinkService& operator=(const LinkService&) = delete;

  std::mutex& Mutex() { return mutex_; }
  Clock& clock() { return clock_; }

  // Serial side. Opening is attempted again on every call until it succeeds; once open the
  // port stays open.
  bool EnsureSerialOpen(int comPort);
  bool EnsureSerialOpenPath(const std::string& path);
  bool SerialOpen() const { return serial_->IsOpen(); }
  bool SerialVanished() const { return serial_->Vanished(); }
  // Lets go of the port so the next Ensure… opens the device anew (after it vanished).
  void CloseSerial() {
    if (serial_ == &port_) port_.Close();
  }
  // Tests drive a scripted device instead of the port.
  void UseSerialDevice(SerialDevice* device) { serial_ = device ? device : &port_; }

  // Network side.
  void SetConnection(std::shared_ptr<NetSocket> socket);
  std::shared_ptr<NetSocket> Connection() const;
  void SetConnected(bool connected) { connected_.store(connected); }
  bool Connected() const { return connected_.load(); }
  NetInbox& inbox() { return inbox_; }
  TransactionId& transaction() { return transaction_; }

  ReceiveBuffer& receive() { return receive_; }

  // Sends `request` (RTU with CRC) the way `mode` wants, waits by `policy` and leaves the plain
  // answer in receive(). `expected` is the plain answer length, CRC included.
  ExchangeResult Exchange(LinkMode mode, const RtuFrame& request, int expected, const ExchangePolicy& policy,
                          const StopFn& stop = {});

  // Waits `ms` after a write whose answer nobody reads, so that its answer has come and gone
  // before the next request: on the line the next exchange's purge drops it, on the network it is
  // taken off the connection here (its id is an old one, so it matches nothing).
  void Settle(LinkMode mode, int ms);

  // Sends without reading an answer: serial as is, wireless cut into packets (100 ms after each
  // full one), network framed (the id advances after a complete send).
  Outcome SendOnly(LinkMode mode, const RtuFrame& request, Protocol protocol = Protocol::kController);

  // The counters of every exchange on this link.
  LinkStats& stats() { return stats_; }
  LinkStatsSnapshot StatsNow() const { return stats_.Snapshot(); }

  // Observers see every frame sent and received from the next exchange on. After
  // RemoveFrameObserver returns, the observer is not called any more.
  void AddFrameObserver(FrameObserver* observer);
  void RemoveFrameObserver(FrameObserver* observer);

 private:
  ExchangeResult SerialExchange(bool wireless, const RtuFrame& request, int expected, const ExchangePolicy& policy,
                                const StopFn& stop);
  ExchangeResult NetworkExchange(const RtuFrame& request, const ExchangePolicy& policy, const StopFn& stop);

  // One function per wait rule; each leaves what it took in collected_.
  struct LineLook {
    size_t need;  // the awaited bytes: the plain answer, or the packets that carry it
    const StopFn& stop;
    ExchangeResult& result;
  };
  Outcome Wait(const wait::UntilBytes& rule, const LineLook& look);
  Outcome Wait(const wait::AllChecks& rule, const LineLook& look);
  Outcome Wait(const wait::UntilJudged& rule, const LineLook& look);
  Outcome Wait(const wait::Gather& rule, const LineLook& look);
  struct NetLook {
    NetSocket& socket;
    uint16_t id;
    const StopFn& stop;
    ExchangeResult& result;
  };
  Outcome Wait(const wait::MatchTransaction& rule, const NetLook& look);
  Outcome Wait(const wait::CollectUntilQuiet& rule, const NetLook& look);
  // Sleeps, then counts what waits (into the tally).
  size_t Look(int sleepMs, const LineLook& look);
  // Reads `want` bytes into collected_ (in place of what it held, or behind it), keeping at most
  // `capacity`; the count read.
  int ReadInto(size_t want, size_t capacity, bool replace);
  // The wireless packets joined the policy's way.
  static Unpacked Join(const unpack::None&, std::span<const uint8_t> bytes, int expected);
  static Unpacked Join(const unpack::General&, std::span<const uint8_t> bytes, int expected);
  static Unpacked Join(const unpack::Exact& how, std::span<const uint8_t> bytes, int expected);
  static Unpacked Join(const unpack::Log&, std::span<const uint8_t> bytes, int expected);
  // A request of one packet goes as it is; a longer one in full packets, 100 ms after each.
  void WritePackets(const RtuFrame& request);
  // After a request went out: the next one carries the next id.
  void FinishNetwork();
  // Every write to the line and the network goes through here: counted, timed and shown to the
  // observers.
  void WriteLine(std::span<const uint8_t> bytes, FrameLayer layer);
  int SendFrame(NetSocket& socket, std::span<const uint8_t> frame);
  void Sent(std::span<const uint8_t> bytes, FrameLayer layer);
  void Show(FrameDirection direction, FrameLayer layer, std::span<const uint8_t> bytes);
  // What came back, to the observers: packets one by one, then the frame they carry.
  void ShowReceived(LinkMode mode, const ExchangeResult& result);

  Clock& clock_;
  std::mutex mutex_;
  SerialPort port_;
  SerialDevice* serial_ = &port_;
  mutable std::mutex connectionMutex_;
  std::shared_ptr<NetSocket> connection_;
  std::atomic<bool> connected_{false};
  NetInbox inbox_;
  TransactionId transaction_;
  ReceiveBuffer receive_;
  std::vector<uint8_t> collected_;
  std::vector<uint8_t> plain_;
  std::vector<uint8_t> chunk_;
  LinkStats stats_;
  uint64_t sentBytes_ = 0;  // by the exchange under way
  uint64_t sentAtUs_ = 0;   // when its last byte went out
  std::mutex observersMutex_;
  std::vector<FrameObserver*> observers_;
  std::atomic<bool> observed_{false};
};

}  // namespace kaviro
