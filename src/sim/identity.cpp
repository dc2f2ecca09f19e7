#include "sim/identity.h"

#include "link/rtu_frame.h"

namespace kaviro::sim {

namespace {
constexpr uint8_t kConformityBasicStream = 0x01;
constexpr uint8_t kReadStream = 0x01;
constexpr uint8_t kUpdate = 0x02;
constexpr uint8_t kReadOne = 0x04;
// PDU offsets of the update layout: 2B 0E 02 00 N 00 K fields...
constexpr size_t kUpdateLength = 4;
constexpr size_t kUpdateFields = 7;

Pdu Illegal(ExceptionCode code) { return ExceptionPdu(fn::kDeviceIdentification, code); }
}  // namespace

Pdu Identity::Header(uint8_t readCode, size_t count) const {
  return {fn::kDeviceIdentification, fn::kMeiDeviceIdentification, readCode, kConformityBasicStream,
          0x00 /* no more follows */, 0x00 /* next object */, static_cast<uint8_t>(count)};
}

Pdu Identity::Read(uint8_t readCode, uint8_t first) const {
  if (readCode == kReadOne) {
    if (first >= kObjects) return Illegal(ExceptionCode::kIllegalAddress);
    Pdu out = Header(readCode, 1);
    out.push_back(first);
    out.push_back(static_cast<uint8_t>(objects_[first].size()));
    out.insert(out.end(), objects_[first].begin(), objects_[first].end());
    return out;
  }
  // An object beyond the last restarts the stream, as the standard asks.
  const size_t from = first < kObjects ? first : 0;
  Pdu out = Header(readCode, kObjects - from);
  for (size_t id = from; id < kObjects; ++id) {
    out.push_back(static_cast<uint8_t>(id));
    out.push_back(static_cast<uint8_t>(objects_[id].size()));
    out.insert(out.end(), objects_[id].begin(), objects_[id].end());
  }
  return out;
}

Pdu Identity::Update(std::span<const uint8_t> pdu) {
  if (pdu.size() < kUpdateFields || pdu.size() != kUpdateLength + 1 + pdu[kUpdateLength])
    return Illegal(ExceptionCode::kIllegalValue);
  const size_t fields = pdu[kUpdateFields - 1];
  if (fields < 1 || fields > kObjects) return Illegal(ExceptionCode::kIllegalValue);
  Objects next = objects_;
  size_t at = kUpdateFields;
  for (size_t f = 0; f < fields; ++f) {
    if (at + 2 > pdu.size()) return Illegal(ExceptionCode::kIllegalValue);
    const uint8_t id = pdu[at];
    const size_t length = pdu[at + 1];
    at += 2;
    if (id >= kObjects) return Illegal(ExceptionCode::kIllegalAddress);
    const bool lengthOk = id == kObjects - 1 ? length == kSerialLength : length <= kMaxText;
    if (!lengthOk || at + length > pdu.size()) return Illegal(ExceptionCode::kIllegalValue);
    next[id].assign(pdu.begin() + static_cast<std::ptrdiff_t>(at), pdu.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  }
  if (at != pdu.size()) return Illegal(ExceptionCode::kIllegalValue);
  objects_ = std::move(next);
  return Read(kUpdate, 0);
}

}  // namespace kaviro::sim
