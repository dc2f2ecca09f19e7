// A device identification answer: the handler as the serial and the network side count it, and
// the console's read in a work mode.
#include <cstdint>

#include "fuzz/fuzz_link.h"
#include "tools/console/identification.h"

using namespace kaviro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::FuzzInput in = fuzz::SplitInput(data, size);
  const int count = static_cast<int>(in.answer.size());
  HandleDeviceIdentification(in.answer, count, false);
  HandleDeviceIdentification(in.answer, count + 2, true);
  const uint8_t unit = in.answer.empty() ? 1 : in.answer[0];
  fuzz::FuzzLink f(in.delivery);
  f.Answer(in.answer);
  ReadIdentification(f.link(), f.mode(), unit);
  return 0;
}
