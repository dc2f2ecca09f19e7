#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/modbus_pdu.h"

namespace kaviro::sim {

enum Access : uint8_t { kNoAccess = 0, kRead = 1, kWrite = 2, kReadWrite = kRead | kWrite };

// One condition on a written value. A register may carry several (one per byte, say).
struct ValueRule {
  enum class Part : uint8_t { kWord, kSignedWord, kHighByte, kLowByte, kSignedLowByte };
  Part part = Part::kWord;
  int32_t min = 0;
  int32_t max = 0xFFFF;
  bool Accepts(uint16_t value) const;
};

// A condition on the 32-bit value of a HI-LO register pair after a write has touched it.
struct PairRule {
  uint32_t min = 0;
  uint32_t max = 0xFFFFFFFF;
};

// Two registers whose values must stay in order once a write has touched either: lower <= upper.
struct OrderRule {
  uint16_t lower;
  uint16_t upper;
};

// A device's 16-bit register address space: values, which addresses exist and may be written,
// and what a write may store. Multi-register writes are all or nothing.
class RegisterSpace {
 public:
  RegisterSpace();

  void Map(uint16_t first, uint16_t last, Access access);
  void AddRule(uint16_t address, ValueRule rule);
  void AddPairRule(uint16_t high, PairRule rule);
  void AddOrderRule(OrderRule rule);

  // Every register of the range exists with this access.
  bool Allows(uint16_t start, size_t count, Access access) const;
  // Why the write would be refused: address (not writable) or value; nothing when it may go.
  std::optional<ExceptionCode> CheckWrite(uint16_t start, std::span<const uint16_t> values) const;

  uint16_t Get(uint16_t address) const { return values_[address]; }
  void Set(uint16_t address, uint16_t value) { values_[address] = value; }
  uint32_t GetPair(uint16_t high) const;
  void SetPair(uint16_t high, uint32_t value);
  std::vector<uint16_t> Read(uint16_t start, size_t count) const;
  void Store(uint16_t start, std::span<const uint16_t> values);

 private:
  std::vector<uint16_t> values_;
  std::vector<uint8_t> access_;
  struct AddressedRule {
    uint16_t address;
    ValueRule rule;
  };
  struct AddressedPairRule {
    uint16_t high;
    PairRule rule;
  };
  std::vector<AddressedRule> rules_;
  std::vector<AddressedPairRule> pairRules_;
  std::vector<OrderRule> orderRules_;
};

}  // namespace kaviro::sim
