#include "sim/station.h"

#include "link/rtu_frame.h"
#include "sim/controller_tables.h"

namespace kaviro::sim {

namespace {
constexpr uint8_t kBroadcast = 0;
// Address, function, CRC.
constexpr size_t kSmallestFrame = 4;

// The daily log answer ends in its FF FE FD FC tail: the controller sends no CRC behind it.
bool IsLogAnswer(const Pdu& answer) {
  return answer.size() > 2 && answer[0] == 0x2B && answer[1] == 0x0E && answer[2] == 0x03;
}
}  // namespace

Station::Station(std::vector<Unit> units, RelayAccessory& relay)
    : units_(std::move(units)), relay_(relay), relayLabel_(units_.size() > 1 ? "RD" : "") {}

Station::Unit* Station::At(uint8_t address) {
  for (Unit& u : units_)
    if (u.controller.Unit() == address) return &u;
  return nullptr;
}

std::optional<Station::Reply> Station::AnswerRtu(std::span<const uint8_t> frame) {
  if (frame.size() < kSmallestFrame) return std::nullopt;
  const uint8_t address = frame[0];
  const auto pdu = frame.subspan(1, frame.size() - 3);
  if (address == kBroadcast) {
    for (Unit& u : units_)
      if (!u.controller.Restarting()) u.controller.Answer(pdu);
    return std::nullopt;
  }
  // The address is taken before the request runs: a new one applies from the next request.
  Unit* unit = At(address);
  if (!unit || unit->controller.Restarting()) return std::nullopt;
  std::vector<uint8_t> body{address};
  const Pdu answer = unit->controller.Answer(pdu);
  if (unit->controller.Restarting()) return std::nullopt;  // reset before the echo could leave
  body.insert(body.end(), answer.begin(), answer.end());
  if (IsLogAnswer(answer)) return Reply{std::move(body), &unit->faults, unit->label};
  const RtuFrame sealed = RtuFrame::Seal(body);
  return Reply{std::vector<uint8_t>(sealed.Bytes().begin(), sealed.Bytes().end()), &unit->faults, unit->label};
}

std::optional<Station::Reply> Station::AnswerNetwork(uint16_t protocol, uint8_t address, std::span<const uint8_t> pdu) {
  if (protocol == kControllerProtocol) {
    Unit* unit = At(address);
    if (!unit || unit->controller.Restarting()) return std::nullopt;
    Pdu answer = unit->controller.Answer(pdu);
    if (unit->controller.Restarting()) return std::nullopt;
    return Reply{std::move(answer), &unit->faults, unit->label};
  }
  // The network module and the RD behind it restart with the first controller.
  Unit& host = units_.front();
  if (protocol != kRelayProtocol || host.controller.Restarting() || !relay_.Answers(address)) return std::nullopt;
  host.controller.Advance();
  relay_.SetBatteryMillivolts(static_cast<uint16_t>(host.controller.registers().Get(creg::kBatteryVoltage) * 10));
  return Reply{relay_.Answer(pdu), &host.faults, relayLabel_};
}

}  // namespace kaviro::sim
