#include "tools/common/register_answer.h"

#include "link/crc16.h"
#include "link/rtu_frame.h"

namespace kaviro {

RegisterVerdict CheckRegisterAnswer(std::span<const uint8_t> b, int counted, uint8_t unit, bool network,
                                    size_t dataBytes) {
  if (b.empty()) return RegisterVerdict::kShort;
  if (b[0] != unit) return RegisterVerdict::kAddress;
  if (b.size() < 3) return RegisterVerdict::kShort;
  const size_t byteCount = b[2];
  if (b[1] != fn::kReadHolding || counted > static_cast<int>(byteCount) + 5) return RegisterVerdict::kFormat;
  if (!network && (b.size() < byteCount + 5 || !HasValidCrc(b.first(byteCount + 5)))) return RegisterVerdict::kCrc;
  if (byteCount < dataBytes || b.size() < 3 + dataBytes) return RegisterVerdict::kShort;
  return RegisterVerdict::kGood;
}

std::optional<Result<>> RegisterAnswerRefusal(std::span<const uint8_t> b, int counted, uint8_t unit, bool network,
                                              size_t dataBytes) {
  const RegisterVerdict verdict = CheckRegisterAnswer(b, counted, unit, network, dataBytes);
  if (verdict == RegisterVerdict::kGood) return std::nullopt;
  return Fail(Status::kBadAnswer, {RegisterVerdictText(verdict)});
}

const char* RegisterVerdictText(RegisterVerdict verdict) {
  switch (verdict) {
    case RegisterVerdict::kAddress: return kAddressMismatchText;
    case RegisterVerdict::kFormat: return kBadFormatText;
    default: return "";
  }
}

}  // namespace kaviro
