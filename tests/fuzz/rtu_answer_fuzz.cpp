// A serial answer as the poll sees it: the read rule, then the decode of each poll block.
#include <cstdint>
#include <span>

#include "link/acceptance.h"
#include "monitor/decoder.h"

using namespace kaviro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> answer(data, size);
  const uint8_t unit = size ? data[0] : 1;  // the answer's own address, so the rule looks further
  AcceptsRead(answer, unit);
  AcceptsByteCount(answer, static_cast<int>(size));
  AcceptsEcho(answer, answer.first(size / 2));
  for (int block : {kBlockInput, kBlockHolding, kBlockLighting}) {
    for (int mode : {0, 1, 2}) {
      DecodedValues values{};
      const DecodeContext context{.batteryVoltage = size ? data[size - 1] % 4 : 0, .workMode = mode, .comPort = 2,
                                  .deviceId = unit, .pollInterval = 3, .language = block == kBlockInput ? 0 : 1};
      DecodeBlock(block, answer, context, values);
    }
  }
  return 0;
}
