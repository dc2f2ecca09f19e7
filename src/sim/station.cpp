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

std::optional<std::vector<uint8_t>> Station::AnswerRtu(std::span<const uint8_t> frame) {
  if (frame.size() < kSmallestFrame) return std::nullopt;
  const uint8_t unit = frame[0];
  const auto pdu = frame.subspan(1, frame.size() - 3);
  if (unit == kBroadcast) {
    if (!controller_.Restarting()) controller_.Answer(pdu);
    return std::nullopt;
  }
  // The address is taken before the request runs: a new one applies from the next request.
  if (unit != controller_.Unit() || controller_.Restarting()) return std::nullopt;
  std::vector<uint8_t> body{unit};
  const Pdu answer = controller_.Answer(pdu);
  if (controller_.Restarting()) return std::nullopt;  // reset before the echo could leave
  body.insert(body.end(), answer.begin(), answer.end());
  if (IsLogAnswer(answer)) return body;
  const RtuFrame sealed = RtuFrame::Seal(body);
  return std::vector<uint8_t>(sealed.Bytes().begin(), sealed.Bytes().end());
}

std::optional<Pdu> Station::AnswerNetwork(uint16_t protocol, uint8_t unit, std::span<const uint8_t> pdu) {
  // The network module and the RD behind it restart with the controller.
  if (controller_.Restarting()) return std::nullopt;
  if (protocol == kControllerProtocol) {
    if (unit != controller_.Unit()) return std::nullopt;
    Pdu answer = controller_.Answer(pdu);
    if (controller_.Restarting()) return std::nullopt;
    return answer;
  }
  if (protocol == kRelayProtocol) {
    if (!relay_.Answers(unit)) return std::nullopt;
    controller_.Advance();
    relay_.SetBatteryMillivolts(static_cast<uint16_t>(controller_.registers().Get(creg::kBatteryVoltage) * 10));
    return relay_.Answer(pdu);
  }
  return std::nullopt;
}

}  // namespace kaviro::sim
