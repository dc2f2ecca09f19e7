#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/link_service.h"
#include "tools/common/result.h"

namespace kaviro {

// One button of the action dialog: the coil it switches on, and its name on the command line.
struct CoilAction {
  int buttonId;
  const char* caption;
  uint16_t coil;
  const char* name;
};

// The eleven actions, in the dialog's order.
std::span<const CoilAction> CoilActions();

// An action by its command-line name or its coil typed as 0xHHHH.
std::optional<uint16_t> CoilByName(const std::string& text);

inline constexpr uint16_t kResetCoil = 0x00FF;

namespace coil_text {
inline constexpr const char* kEchoDiffers = "操作失败！";
inline constexpr const char* kRestarting = "设备正在重启...！";
}  // namespace coil_text

// The controller confirms a coil write with the exact echo of its 8 bytes. Serial and wireless:
// 50 checks of 10 ms; once the expected bytes wait, all of them are read and the first 8 compared
// with the request (a wireless reply packet as it arrived, not unpacked); a differing echo is
// counted and the wait goes on. Network: 50 receives of 10 ms for the current transaction id.
ExchangePolicy CoilEchoPolicy(const RtuFrame& request);

// Switches `coil` on (0xFF00) at `unit` and reports what the controller said: ok once its echo
// came, each differing echo before it one "操作失败！".
Result<> SendCoil(LinkService& link, LinkMode mode, uint8_t unit, uint16_t coil);

}  // namespace kaviro
