#pragma once

namespace kaviro {

// The work mode. Serial and wireless share the COM port; wireless wraps frames in 16-byte packets.
enum class LinkMode : int { kSerial = 0, kNetwork = 1, kWireless = 2 };

// Any stored value other than 0 and 2 means the network.
constexpr LinkMode LinkModeOf(int workMode) {
  return workMode == 0 ? LinkMode::kSerial : workMode == 2 ? LinkMode::kWireless : LinkMode::kNetwork;
}

}  // namespace kaviro
