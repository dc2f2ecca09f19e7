// An RD answer behind its network header through every decoding rule, and a serial block
// through the threshold probe's acceptance.
#include <cstdint>
#include <span>

#include "tools/relay/rd_decode.h"
#include "tools/relay/threshold_probe.h"

namespace {
struct Request {
  uint16_t address;
  uint8_t function;
};
// Every address and function a rule looks at, and one none does.
constexpr Request kRequests[] = {{0x0E01, 0x2B}, {0x0020, 0x03}, {0x1000, 0x03}, {0x1000, 0x10}, {0x2011, 0x03},
                                 {0x2014, 0x03}, {0x2020, 0x06}, {0x2021, 0x06}, {0x2021, 0x05}, {0x2022, 0x06},
                                 {0x2022, 0x05}, {0x2024, 0x05}, {0x2030, 0x03}, {0x2032, 0x06}, {0x2033, 0x06},
                                 {0x2034, 0x06}, {0x4000, 0x06}, {0x3000, 0x03}};
constexpr uint8_t kSent[5] = {0x32, 0x31, 0x32, 0x30, 0x36};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> answer(data, size);
  for (const Request& r : kRequests) kaviro::DecodeRdAnswer(r.address, r.function, answer, kSent);
  kaviro::AcceptsProbeAnswer(answer, size ? data[0] : 1);
  return 0;
}
