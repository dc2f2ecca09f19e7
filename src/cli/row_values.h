#pragma once
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "cli/register_report.h"

namespace kaviro::cli {

// A register's value as dashboards want it: a number where the list shows a number, else the
// text. The type comes from the register's decode rule, so a register keeps it from poll to poll.
using TypedValue = std::variant<int64_t, double, std::string>;

struct RowValue {
  std::string key;  // stable and ASCII, whatever the language: "reg_0018"
  TypedValue value;
};

std::string RowKey(uint16_t address);

// Every register of the report once (a register shown in several sections counts once), in
// table order; registers showing nothing are left out.
std::vector<RowValue> RowValues(const RegisterReport& report);

}  // namespace kaviro::cli
