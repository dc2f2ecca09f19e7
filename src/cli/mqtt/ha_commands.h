#pragma once
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/mqtt/ha_device.h"
#include "link/link_service.h"
#include "tools/controller/coil_command.h"
#include "tools/controller/param_rows.h"

namespace kaviro::cli {

// The controller's operations as Home Assistant entities: the eleven actions as buttons, the
// parameters as numbers, and the rows that take only 0 or 1 as selects of their two meanings.
enum class EntityKind { kButton, kNumber, kSelect };

// A 0/1 row's two meanings, in the order of the values (as its range note names them).
struct SelectRow {
  const char* name;
  const char* options[2];
};
std::span<const SelectRow> SelectRows();

// The range a number entity offers: the row's enforced bounds where they are fixed; where a
// bound is another register's value, the fixed bound that register has on the same side.
struct NumberRange {
  double min, max, step;
};
NumberRange RangeOf(const ParamRow& row);

std::string CommandTopic(const Topics& topics, EntityKind kind, const std::string& name);
// What the command entities need from the broker.
std::string CommandSubscription(const Topics& topics);

std::vector<Retained> CommandConfigs(RegisterTable table, const DeviceIdentity& identity, const Topics& topics);

// A command that arrived: an action, or a row with the text as the dialog's input edit would
// hold it.
struct Command {
  const CoilAction* action = nullptr;
  const ParamRow* row = nullptr;
  std::string input;
};
inline constexpr const char* kPressPayload = "PRESS";
// Nothing when the topic is not one of the device's commands.
std::optional<Command> ParseCommand(const Topics& topics, const std::string& topic, const std::string& payload);

// Runs a command as the dialog's button does (validation, companion reads, confirmed write) and
// reads a written parameter back; the messages to show, one per line.
std::string RunCommand(LinkService& link, LinkMode mode, uint8_t unit, const Command& command);

}  // namespace kaviro::cli
