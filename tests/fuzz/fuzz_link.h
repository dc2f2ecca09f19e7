#pragma once
// A link for the fuzz targets whose parser sits behind the exchange engine: virtual time, and a
// serial line and a network connection that answer the next request with the fuzz input.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <span>
#include <vector>

#include "link/fake_link.h"
#include "link/link_service.h"
#include "link/network_frame.h"
#include "link/radio_packet.h"

namespace kaviro::fuzz {

// How the input reaches the tool.
enum class Delivery {
  kSerial,         // as it is, on the serial line
  kWirelessPacked, // cut into well-formed radio packets, so the parser behind the unpacking sees it
  kWirelessRaw,    // as it is, as the adapter's packet stream
  kNetwork,        // behind a header with the awaited transaction id and the input's length
};
inline constexpr Delivery kDeliveries[] = {Delivery::kSerial, Delivery::kWirelessPacked, Delivery::kWirelessRaw,
                                           Delivery::kNetwork};

inline LinkMode ModeOf(Delivery d) {
  switch (d) {
    case Delivery::kSerial: return LinkMode::kSerial;
    case Delivery::kNetwork: return LinkMode::kNetwork;
    default: return LinkMode::kWireless;
  }
}

inline testing::Bytes Packed(std::span<const uint8_t> plain) {
  testing::Bytes out;
  for (const RadioPacket& p : PackFrame(plain)) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The input of a target behind the engine: its first byte picks the delivery and (for targets
// with more than one operation) the operation; the rest is the answer. One exchange per run keeps
// the runs fast, and the fuzzer explores every pairing.
struct FuzzInput {
  Delivery delivery = Delivery::kSerial;
  int operation = 0;
  std::span<const uint8_t> answer;
};

inline FuzzInput SplitInput(const uint8_t* data, size_t size, int operations = 1) {
  if (size == 0) return {};
  constexpr int kCount = static_cast<int>(std::size(kDeliveries));
  return {kDeliveries[data[0] % kCount], data[0] / kCount % operations, {data + 1, size - 1}};
}

// A fresh link for every run, so nothing one input leaves behind reaches the next.
class FuzzLink {
 public:
  explicit FuzzLink(Delivery delivery) : delivery_(delivery) {
    link_.UseSerialDevice(&port_);
    link_.SetConnection(socket_);
    link_.SetConnected(true);
  }

  LinkService& link() { return link_; }
  LinkMode mode() const { return ModeOf(delivery_); }

  // The answer to the next request; on the network framed for the transaction id now current.
  void Answer(std::span<const uint8_t> bytes, Protocol protocol = Protocol::kController) {
    switch (delivery_) {
      case Delivery::kSerial:
      case Delivery::kWirelessRaw: port_.AnswerAfter(kAfterMs, {bytes.begin(), bytes.end()}); break;
      case Delivery::kWirelessPacked: port_.AnswerAfter(kAfterMs, Packed(bytes)); break;
      case Delivery::kNetwork: {
        // The socket's receives hold at most one buffer: longer answers come in several.
        const std::vector<uint8_t> wire = BuildNetworkRequest(link_.transaction().Current(), protocol, bytes);
        for (size_t at = 0; at < wire.size(); at += NetInbox::kSize)
          socket_->Then({wire.begin() + static_cast<std::ptrdiff_t>(at),
                         wire.begin() + static_cast<std::ptrdiff_t>(std::min(wire.size(), at + NetInbox::kSize))});
        break;
      }
    }
  }

 private:
  static constexpr uint64_t kAfterMs = 10;
  Delivery delivery_;
  testing::FakeClock clock_;
  testing::ScriptedPort port_{clock_};
  std::shared_ptr<testing::ScriptedSocket> socket_ = std::make_shared<testing::ScriptedSocket>();
  LinkService link_{clock_};
};

}  // namespace kaviro::fuzz
