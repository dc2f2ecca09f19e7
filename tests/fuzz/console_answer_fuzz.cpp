// A register answer through the console's handlers (MAC address, Ethernet settings, radio
// block), each with the register answer check, as the serial and the network side count it.
#include <cstdint>
#include <span>

#include "tools/console/network_module.h"
#include "tools/console/wireless_settings.h"

using namespace kaviro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> answer(data, size);
  const uint8_t unit = size ? data[0] : 1;
  const int count = static_cast<int>(size);
  // Serial answers are counted as they arrived; network ones with two CRC places that never travel.
  for (const auto& [network, n] : {std::pair{false, count}, std::pair{true, count + 2}}) {
    HandleMacAddress(answer, n, unit, network);
    HandleNetworkSettings(answer, n, unit, network);
    HandleWirelessConfig(answer, n, unit, network);
  }
  return 0;
}
