// A daily log answer (plain frame) through its parser and the record texts.
#include <cstdint>
#include <span>

#include "tools/log/log_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kaviro::ParseLogAnswer(std::span<const uint8_t>(data, size));
  return 0;
}
