// An answer to the controller information reads: the preset table shown as its texts, or one
// register (the DIP switches, the faults) shown as the dialog shows it; in a work mode.
#include <cstdint>

#include "fuzz/fuzz_link.h"
#include "tools/controller/controller_info.h"

using namespace kaviro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::FuzzInput in = fuzz::SplitInput(data, size, 2);
  const uint8_t unit = in.answer.empty() ? 1 : in.answer[0];
  fuzz::FuzzLink f(in.delivery);
  f.Answer(in.answer);
  if (in.operation == 0) {
    const Result<PresetWords> read = ReadPresetTable(f.link(), f.mode(), unit);
    if (read.value) PresetTableTexts(*read.value);
  } else {
    const Result<uint16_t> read = ReadInfoRegister(f.link(), f.mode(), unit, kDipRegister);
    if (read.value) DecodeDip(*read.value);
  }
  return 0;
}
