// An action's coil write confirmed by whatever comes back, in every work mode.
#include <cstdint>

#include "fuzz/fuzz_link.h"
#include "tools/controller/coil_command.h"

using namespace kaviro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::FuzzInput in = fuzz::SplitInput(data, size);
  // The request goes to the answer's own address and coil, so the echo rule looks at all of it.
  const uint8_t unit = in.answer.empty() ? 1 : in.answer[0];
  const uint16_t coil = in.answer.size() >= 4 ? GetU16(in.answer, 2) : kResetCoil;
  fuzz::FuzzLink f(in.delivery);
  f.Answer(in.answer);
  SendCoil(f.link(), f.mode(), unit, coil);
  return 0;
}
