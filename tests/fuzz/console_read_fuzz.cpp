// An answer to one of the console's reads, collected by the console's wait for its kind and
// handed to its handler: a raw frame, the Modbus address, the lighting times, the MAC address,
// the Ethernet settings, the radio block.
#include <cstdint>

#include "fuzz/fuzz_link.h"
#include "tools/console/lighting.h"
#include "tools/console/network_module.h"
#include "tools/console/raw_frame.h"
#include "tools/console/wireless_settings.h"

using namespace kaviro;

namespace {

using Read = void (*)(LinkService&, LinkMode, uint8_t, std::span<const uint8_t>);

// A raw frame asks with the answer's own function code and count, so its expected length follows
// the answer.
void RawFrame(LinkService& link, LinkMode mode, uint8_t unit, std::span<const uint8_t> answer) {
  const uint8_t function = answer.size() > 1 ? answer[1] : fn::kReadHolding;
  const uint16_t count = answer.size() > 2 ? answer[2] / 2 : 1;
  SendRawFrame(link, mode, ReadRegisters(unit, function, 0x0000, count));
}

constexpr Read kReads[] = {
    RawFrame,
    [](LinkService& l, LinkMode m, uint8_t u, std::span<const uint8_t>) { ReadModbusAddress(l, m, u); },
    [](LinkService& l, LinkMode m, uint8_t u, std::span<const uint8_t>) { ReadLightingTimes(l, m, u); },
    [](LinkService& l, LinkMode m, uint8_t u, std::span<const uint8_t>) { ReadMac(l, m, u); },
    [](LinkService& l, LinkMode m, uint8_t u, std::span<const uint8_t>) { ReadNetworkSettings(l, m, u); },
    [](LinkService& l, LinkMode m, uint8_t u, std::span<const uint8_t>) { ReadWirelessConfig(l, m, u); },
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::FuzzInput in = fuzz::SplitInput(data, size, static_cast<int>(std::size(kReads)));
  const uint8_t unit = in.answer.empty() ? 1 : in.answer[0];
  fuzz::FuzzLink f(in.delivery);
  f.Answer(in.answer);
  kReads[in.operation](f.link(), f.mode(), unit, in.answer);
  return 0;
}
