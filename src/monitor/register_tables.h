#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kaviro {

// One row of the main list: a register and how the list labels it.
struct RegisterDescriptor {
  uint16_t address;
  std::string_view description;
  std::string_view unit;
};

// The address of a blank row that separates sections; no register ever lives there.
inline constexpr uint16_t kSeparatorAddress = 0xFFFF;

using RegisterTable = std::span<const RegisterDescriptor>;

// 0 English (44 rows), 1 Chinese (74 rows); any other language has no list.
std::optional<RegisterTable> RegisterTableFor(int language);

// Rows showing `address`, in table order. A register may appear in several sections.
std::vector<size_t> RowsForAddress(RegisterTable table, uint16_t address);

// True when `row` displays the register at `address`; separators display nothing.
constexpr bool ShowsRegister(const RegisterDescriptor& row, uint16_t address) {
  return row.address == address && address != kSeparatorAddress;
}

// Names of the charging-state register's values, indexed by value.
inline constexpr std::array<std::string_view, 10> kChargingStateNames = {
    "快速充电阶段", "吸收充电阶段", "浮充阶段", "均衡充电状态", "NIGHT",
    "FAULT",        "MPPT",         "ABSORPTION", "FLOAT",       "EQUALIZE",
};

// "none" for values the controller does not define.
std::string_view ChargingStateName(int value);

}  // namespace kaviro
