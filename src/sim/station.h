#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/controller.h"
#include "sim/fault_injector.h"
#include "sim/relay_accessory.h"

namespace kaviro::sim {

// The devices at the far end of the link and who answers what: on the serial side the controller
// under its address (address 0 is a broadcast, carried out by every controller and answered by
// none); on the network side the controller the unit id names for protocol 0, the RD for
// protocol 0x0101. With several controllers on the line, the first one listed at an address
// answers there.
class Station {
 public:
  static constexpr uint16_t kControllerProtocol = 0x0000;
  static constexpr uint16_t kRelayProtocol = 0x0101;

  // A controller on the line and the faults that spoil its answers.
  struct Unit {
    Controller& controller;
    FaultInjector& faults;
    std::string label;  // how the traffic log names it; empty for a lone controller
  };

  // What goes back: the answer, the faults it passes through, and who gave it.
  struct Reply {
    std::vector<uint8_t> bytes;
    FaultInjector* faults;
    std::string_view from;
  };

  // At least one unit. The RD sits behind the first: it restarts with it and takes its faults.
  Station(std::vector<Unit> units, RelayAccessory& relay);

  // A whole RTU request (CRC checked) in; the RTU answer with its CRC, or nothing.
  std::optional<Reply> AnswerRtu(std::span<const uint8_t> frame);
  // The unit and PDU of a network request; the answer PDU, or nothing.
  std::optional<Reply> AnswerNetwork(uint16_t protocol, uint8_t unit, std::span<const uint8_t> pdu);

  RelayAccessory& relay() { return relay_; }

 private:
  Unit* At(uint8_t address);

  std::vector<Unit> units_;
  RelayAccessory& relay_;
  std::string relayLabel_;
};

}  // namespace kaviro::sim
