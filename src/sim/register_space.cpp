#include "sim/register_space.h"

namespace kaviro::sim {

namespace {
constexpr size_t kAddresses = 0x10000;
}

bool ValueRule::Accepts(uint16_t value) const {
  int32_t v = 0;
  switch (part) {
    case Part::kWord: v = value; break;
    case Part::kSignedWord: v = static_cast<int16_t>(value); break;
    case Part::kHighByte: v = value >> 8; break;
    case Part::kLowByte: v = value & 0xFF; break;
    case Part::kSignedLowByte: v = static_cast<int8_t>(value & 0xFF); break;
  }
  return v >= min && v <= max;
}

RegisterSpace::RegisterSpace() : values_(kAddresses, 0), access_(kAddresses, kNoAccess) {}

void RegisterSpace::Map(uint16_t first, uint16_t last, Access access) {
  for (uint32_t a = first; a <= last; ++a) access_[a] = access;
}

void RegisterSpace::AddRule(uint16_t address, ValueRule rule) { rules_.push_back({address, rule}); }

void RegisterSpace::AddPairRule(uint16_t high, PairRule rule) { pairRules_.push_back({high, rule}); }

void RegisterSpace::AddOrderRule(OrderRule rule) { orderRules_.push_back(rule); }

bool RegisterSpace::Allows(uint16_t start, size_t count, Access access) const {
  if (count == 0 || start + count > kAddresses) return false;
  for (size_t i = 0; i < count; ++i)
    if ((access_[start + i] & access) != access) return false;
  return true;
}

std::optional<ExceptionCode> RegisterSpace::CheckWrite(uint16_t start, std::span<const uint16_t> values) const {
  if (!Allows(start, values.size(), kWrite)) return ExceptionCode::kIllegalAddress;
  const uint32_t end = start + static_cast<uint32_t>(values.size());
  auto written = [&](uint32_t a) { return a >= start && a < end; };
  auto after = [&](uint32_t a) { return written(a) ? values[a - start] : values_[a]; };
  for (const AddressedRule& r : rules_)
    if (written(r.address) && !r.rule.Accepts(after(r.address))) return ExceptionCode::kIllegalValue;
  for (const AddressedPairRule& r : pairRules_) {
    if (!written(r.high) && !written(r.high + 1u)) continue;
    const uint32_t v = static_cast<uint32_t>(after(r.high)) << 16 | after(r.high + 1u);
    if (v < r.rule.min || v > r.rule.max) return ExceptionCode::kIllegalValue;
  }
  for (const OrderRule& r : orderRules_)
    if ((written(r.lower) || written(r.upper)) && after(r.lower) > after(r.upper)) return ExceptionCode::kIllegalValue;
  return std::nullopt;
}

uint32_t RegisterSpace::GetPair(uint16_t high) const {
  return static_cast<uint32_t>(values_[high]) << 16 | values_[static_cast<uint16_t>(high + 1)];
}

void RegisterSpace::SetPair(uint16_t high, uint32_t value) {
  values_[high] = static_cast<uint16_t>(value >> 16);
  values_[static_cast<uint16_t>(high + 1)] = static_cast<uint16_t>(value & 0xFFFF);
}

std::vector<uint16_t> RegisterSpace::Read(uint16_t start, size_t count) const {
  std::vector<uint16_t> out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) out.push_back(values_[(start + i) & 0xFFFF]);
  return out;
}

void RegisterSpace::Store(uint16_t start, std::span<const uint16_t> values) {
  for (size_t i = 0; i < values.size(); ++i) values_[(start + i) & 0xFFFF] = values[i];
}

}  // namespace kaviro::sim
