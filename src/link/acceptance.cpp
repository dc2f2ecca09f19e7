#include "link/acceptance.h"

#include <algorithm>

#include "link/crc16.h"

namespace kaviro {

bool AcceptsRead(std::span<const uint8_t> answer, uint8_t unit) {
  if (answer.size() < 5) return false;
  return HasValidCrc(answer) && answer[0] == unit && answer[2] == answer.size() - 5;
}

bool AcceptsByteCount(std::span<const uint8_t> answer, int countWithCrc) {
  return answer.size() >= 3 && countWithCrc >= 5 && answer[2] == countWithCrc - 5;
}

bool AcceptsEcho(std::span<const uint8_t> answer, std::span<const uint8_t> request) {
  return answer.size() >= request.size() && std::equal(request.begin(), request.end(), answer.begin());
}

}  // namespace kaviro
