#include "tools/controller/coil_command.h"

#include <algorithm>
#include <charconv>
#include <mutex>

#include "link/acceptance.h"
#include "link/link_texts.h"
#include "res/action_cmd_dialog_ids.h"

namespace kaviro {

namespace {

// The echo of an 8-byte request; wireless waits for the whole packet that carries it.
constexpr int kEchoLength = 8;

constexpr CoilAction kActions[] = {
    {action_ids::kEqualise, "均衡启动", 0x0000, "equalise"},
    {action_ids::kResetController, "重置控制器", kResetCoil, "reset"},
    {action_ids::kResetMaintenance, "重置蓄电池维护提醒", 0x0013, "reset-maintenance"},
    {action_ids::kClearChargeAh, "充电AH重置数清零", 0x0010, "clear-charge-ah"},
    {action_ids::kClearChargeKwh, "充电KWH重置数清零", 0x0012, "clear-charge-kwh"},
    {action_ids::kDisconnectCharging, "强制断开充电状态", 0x0002, "disconnect-charging"},
    {action_ids::kClearLoadAh, "负载AH数清零", 0x0011, "clear-load-ah"},
    {action_ids::kClearLoadKwh, "负载KWH数清零", 0x0018, "clear-load-kwh"},
    {action_ids::kDisconnectLoad, "强制断开负载", 0x00F0, "disconnect-load"},
    {action_ids::kClearFaults, "清除故障", 0x0014, "clear-faults"},
    {action_ids::kClearAlarms, "清除警报", 0x0015, "clear-alarms"},
};

// Whether the request left the tool: the reset coil may then go unanswered while the controller
// restarts.
bool Sent(Outcome outcome) {
  return outcome != Outcome::kNotOpen && outcome != Outcome::kNotConnected && outcome != Outcome::kSendFailed;
}

}  // namespace

std::span<const CoilAction> CoilActions() { return kActions; }

std::optional<uint16_t> CoilByName(const std::string& text) {
  for (const CoilAction& a : kActions)
    if (text == a.name) return a.coil;
  if (text.size() != 6 || (text.rfind("0x", 0) != 0 && text.rfind("0X", 0) != 0)) return std::nullopt;
  uint16_t coil = 0;
  const auto [end, ec] = std::from_chars(text.data() + 2, text.data() + text.size(), coil, 16);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return coil;
}

ExchangePolicy CoilEchoPolicy(const RtuFrame& request) {
  auto judge = [echo = std::vector<uint8_t>(request.Bytes().begin(), request.Bytes().end())](
                   std::span<const uint8_t> got) { return AcceptsEcho(got, echo); };
  return {.line = wait::UntilJudged{.sleepMs = 10, .checks = 50, .judge = judge},
          .net = wait::MatchTransaction{.sleepMs = 10, .checks = 50}};
}

Result<> SendCoil(LinkService& link, LinkMode mode, uint8_t unit, uint16_t coil) {
  const RtuFrame request = WriteCoil(unit, coil);
  Outcome outcome;
  int differing = 0;
  bool confirmed = false;
  Status failed = Status::kNotConfirmed;
  {
    std::lock_guard lock(link.Mutex());
    const ExchangeResult r = link.Exchange(mode, request, kEchoLength, CoilEchoPolicy(request));
    outcome = r.outcome;
    differing = r.rejectedReads;
    // On the network too only the echo confirms: an exception answer from the right unit is a refusal.
    const std::span<const uint8_t> echo = request.WithoutCrc();
    confirmed = r.ok() && (mode != LinkMode::kNetwork || std::ranges::equal(r.answer, echo));
    if (const auto f = LinkFailure(r)) failed = f->status;
  }
  if (outcome == Outcome::kNotOpen) return Fail(Status::kNotOpen, {text::kPortBusy});
  Result<> result{confirmed ? Status::kOk : failed, {}, std::nullopt};
  for (int i = 0; i < differing; ++i) result.Say({coil_text::kEchoDiffers});
  if (confirmed)
    result.Say({text::kSetOk});
  else if (coil == kResetCoil && Sent(outcome))
    result.Say({coil_text::kRestarting});
  else
    result.Say({text::kSetFailed});
  return result;
}

}  // namespace kaviro
