#include "tools/console/register_answer.h"

#include "link/crc16.h"
#include "link/rtu_frame.h"

namespace kaviro {

CheckedAnswer CheckRegisterAnswer(std::span<const uint8_t> b, int n, uint8_t unit, bool network, size_t dataBytes) {
  if (b.empty()) return {};
  if (b[0] != unit) return {false, kAddressMismatchText};
  if (b.size() < 3) return {};
  const size_t byteCount = b[2];
  if (b[1] != fn::kReadHolding || static_cast<int>(byteCount) + 5 < n) return {false, kBadFormatText};
  if (!network && (b.size() < byteCount + 5 || !HasValidCrc(b.first(byteCount + 5)))) return {};
  if (byteCount < dataBytes || b.size() < 3 + dataBytes) return {};
  return {true, {}};
}

}  // namespace kaviro
