// A packet stream from the 2.4G adapter through every unpacking routine.
#include <cstdint>
#include <span>

#include "link/radio_packet.h"

using namespace kaviro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> stream(data, size);
  UnpackAnswer(stream);
  UnpackLogAnswer(stream);
  // The poll's routine against the lengths it really expects, and one the stream suggests.
  for (int expected : {185, 59, 161, 7, static_cast<int>(size % 300)})
    UnpackPollAnswer(stream, expected, "3需要数据长度=%d,实际读回数据长度=%d");
  return 0;
}
