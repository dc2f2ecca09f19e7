// An answer to the parameter settings: a row's read shown as the row shows it, the clock's read,
// or the confirmation of a register write or of the clock write; in a work mode.
#include <cstdint>

#include "fuzz/fuzz_link.h"
#include "tools/controller/param_settings.h"

using namespace kaviro;

namespace {

// Every row's read, then the clock's read, the single register write and the clock write.
constexpr int kClockRead = 0, kRegisterWrite = 1, kClockWrite = 2, kOthers = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int rows = static_cast<int>(ParamRows().size());
  const fuzz::FuzzInput in = fuzz::SplitInput(data, size, rows + kOthers);
  const std::span<const uint8_t> a = in.answer;
  const uint8_t unit = a.empty() ? 1 : a[0];
  fuzz::FuzzLink f(in.delivery);
  f.Answer(a);
  if (in.operation < rows) {
    DecodedValues values{};
    ReadParamRow(f.link(), f.mode(), unit, ParamRows()[static_cast<size_t>(in.operation)], values);
    return 0;
  }
  switch (in.operation - rows) {
    case kClockRead: ReadControllerClock(f.link(), f.mode(), unit); break;
    case kRegisterWrite:
      // The write the answer would confirm, so the comparison looks at all of it.
      SendParamWrite(f.link(), f.mode(),
                     WriteRegister(unit, a.size() >= 4 ? GetU16(a, 2) : 0x0041, a.size() >= 6 ? GetU16(a, 4) : 0));
      break;
    case kClockWrite: SendParamWrite(f.link(), f.mode(), ClockWriteRequest(unit, 0x12345678)); break;
  }
  return 0;
}
