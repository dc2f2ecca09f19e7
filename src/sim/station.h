#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/controller.h"
#include "sim/relay_accessory.h"

namespace kaviro::sim {

// The devices at the far end of the link and who answers what: on the serial side the
// controller under its address (address 0 is a broadcast, carried out and never answered); on
// the network side the controller for protocol 0, the RD for protocol 0x0101.
class Station {
 public:
  static constexpr uint16_t kControllerProtocol = 0x0000;
  static constexpr uint16_t kRelayProtocol = 0x0101;

  Station(Controller& controller, RelayAccessory& relay) : controller_(controller), relay_(relay) {}

  // A whole RTU request (CRC checked) in; the RTU answer with its CRC, or nothing.
  std::optional<std::vector<uint8_t>> AnswerRtu(std::span<const uint8_t> frame);
  // The unit and PDU of a network request; the answer PDU, or nothing.
  std::optional<Pdu> AnswerNetwork(uint16_t protocol, uint8_t unit, std::span<const uint8_t> pdu);

  Controller& controller() { return controller_; }
  RelayAccessory& relay() { return relay_; }

 private:
  Controller& controller_;
  RelayAccessory& relay_;
};

}  // namespace kaviro::sim
