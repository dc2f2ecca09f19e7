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

bool AcceptsRegisters(std::span<const uint8_t> answer, uint8_t unit, uint8_t function, int count, bool withCrc) {
  const size_t data = 2 * static_cast<size_t>(count);
  if (answer.size() < 3 + data + (withCrc ? 2 : 0)) return false;
  if (answer[0] != unit || answer[1] != function || answer[2] != data) return false;
  return !withCrc || HasValidCrc(answer.first(data + 5));
}

bool AcceptsEcho(std::span<const uint8_t> answer, std::span<const uint8_t> request) {
  return answer.size() >= request.size() && std::equal(request.begin(), request.end(), answer.begin());
}

}  // namespace kaviro
