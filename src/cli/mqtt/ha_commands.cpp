#include "cli/mqtt/ha_commands.h"

#include <cmath>

#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/controller/param_settings.h"

namespace kaviro::cli {

namespace {

constexpr SelectRow kSelectRows[] = {
    {"lighting-mode", {"定时", "智能"}},
    {"rd-link", {"连接", "不连接"}},
    {"cell-conflict", {"不允许", "允许"}},
};

constexpr const char* kKindNames[] = {"button", "number", "select"};

const SelectRow* SelectOf(const ParamRow& row) {
  for (const SelectRow& s : kSelectRows)
    if (std::string_view(s.name) == row.name) return &s;
  return nullptr;
}

bool IsLow(ParamBound::Kind kind) { return kind == ParamBound::Kind::kAtLeast || kind == ParamBound::Kind::kAbove; }

// A bound's fixed value: its own, or the companion row's fixed bound on the same side.
std::optional<double> FixedBound(const ParamRow& row, const ParamBound& bound) {
  if (bound.kind == ParamBound::Kind::kNone) return std::nullopt;
  if (bound.companion < 0) return bound.offset;
  const ParamRow* other = FindParamRow(row.companions[static_cast<size_t>(bound.companion)]);
  if (!other) return std::nullopt;
  const ParamBound& side = IsLow(bound.kind) ? other->low : other->high;
  if (side.kind == ParamBound::Kind::kNone || side.companion >= 0) return std::nullopt;
  return side.offset + bound.offset;
}

std::string Caption(const ParamRow& row) {
  std::string caption = row.caption;
  for (const std::string_view colon : {"：", ":"})
    if (caption.size() >= colon.size() && caption.compare(caption.size() - colon.size(), colon.size(), colon) == 0)
      caption.resize(caption.size() - colon.size());
  return caption;
}

// The poll's value of the row's register, when the table shows it.
std::optional<std::string> StateTemplate(RegisterTable table, const ParamRow& row, const SelectRow* select) {
  if (RowsForAddress(table, row.reg).empty()) return std::nullopt;
  const std::string value = "value_json." + RowKey(row.reg);
  if (!select) return NumericRegister(row.reg) ? std::optional("{{ " + value + " }}") : std::nullopt;
  if (!NumericRegister(row.reg)) return "{{ " + value + " }}";
  const nlohmann::json options = {select->options[0], select->options[1]};
  return "{{ " + options.dump() + "[" + value + "] }}";
}

void AddState(nlohmann::ordered_json& config, const Topics& topics, const std::optional<std::string>& valueTemplate) {
  if (!valueTemplate) return;
  config["state_topic"] = topics.state;
  config["value_template"] = *valueTemplate;
}

}  // namespace

std::span<const SelectRow> SelectRows() { return kSelectRows; }

NumberRange RangeOf(const ParamRow& row) {
  const double step = std::pow(10.0, -ParamDecimals(row));
  // Without a bound the register's own range: 16 bits in the row's steps.
  const double widest = 65535 * step;
  return {FixedBound(row, row.low).value_or(0), FixedBound(row, row.high).value_or(widest), step};
}

std::string CommandTopic(const Topics& topics, EntityKind kind, const std::string& name) {
  return topics.base + "/" + kKindNames[static_cast<int>(kind)] + "/" + name + "/set";
}

std::string CommandSubscription(const Topics& topics) { return topics.base + "/+/+/set"; }

std::vector<Retained> CommandConfigs(RegisterTable table, const DeviceIdentity& identity, const Topics& topics) {
  std::vector<Retained> configs;
  const auto add = [&](EntityKind kind, const std::string& name, nlohmann::ordered_json config) {
    const std::string kindName = kKindNames[static_cast<int>(kind)];
    config["command_topic"] = CommandTopic(topics, kind, name);
    AddCommonFields(config, identity, topics);
    configs.push_back({topics.discoveryPrefix + "/" + kindName + "/" + identity.id + "/" + name + "/config",
                       ConfigText(config)});
  };
  for (const CoilAction& a : CoilActions())
    add(EntityKind::kButton, a.name,
        {{"unique_id", identity.id + "_" + a.name}, {"name", a.caption}, {"payload_press", kPressPayload}});
  for (const ParamRow& row : ParamRows()) {
    nlohmann::ordered_json config = {{"unique_id", identity.id + "_" + row.name}, {"name", Caption(row)}};
    if (const SelectRow* select = SelectOf(row)) {
      config["options"] = {select->options[0], select->options[1]};
      AddState(config, topics, StateTemplate(table, row, select));
      add(EntityKind::kSelect, row.name, std::move(config));
      continue;
    }
    const NumberRange range = RangeOf(row);
    config["min"] = range.min;
    config["max"] = range.max;
    config["step"] = range.step;
    config["mode"] = "box";
    if (const auto unit = SensorUnit(row.unit)) config["unit_of_measurement"] = *unit;
    AddState(config, topics, StateTemplate(table, row, nullptr));
    add(EntityKind::kNumber, row.name, std::move(config));
  }
  return configs;
}

std::optional<Command> ParseCommand(const Topics& topics, const std::string& topic, const std::string& payload) {
  const std::string head = topics.base + "/";
  if (topic.rfind(head, 0) != 0 || topic.size() < head.size() + 4 || topic.compare(topic.size() - 4, 4, "/set") != 0)
    return std::nullopt;
  const std::string middle = topic.substr(head.size(), topic.size() - 4 - head.size());
  const size_t slash = middle.find('/');
  if (slash == std::string::npos) return std::nullopt;
  const std::string kind = middle.substr(0, slash), name = middle.substr(slash + 1);
  if (kind == kKindNames[0]) {
    if (payload != kPressPayload) return std::nullopt;
    for (const CoilAction& a : CoilActions())
      if (name == a.name) return Command{&a, nullptr, {}};
    return std::nullopt;
  }
  const ParamRow* row = FindParamRow(name);
  if (!row || row->name != name) return std::nullopt;
  const SelectRow* select = SelectOf(*row);
  if (kind == kKindNames[1] && !select) return Command{nullptr, row, payload};
  if (kind != kKindNames[2] || !select) return std::nullopt;
  // An option stands for its value; anything else goes to the row's check as typed, which
  // refuses it.
  for (int v = 0; v < 2; ++v)
    if (payload == select->options[v]) return Command{nullptr, row, std::to_string(v)};
  return Command{nullptr, row, payload};
}

std::string RunCommand(LinkService& link, LinkMode mode, uint8_t unit, const Command& command) {
  // The dialog's operation with its checks and confirmation, then for a setting the read back.
  const Result<> done = command.action ? SendCoil(link, mode, unit, command.action->coil)
                                       : SetParamVerified(link, mode, unit, *command.row, command.input).As<Nothing>();
  const std::string text = done.Text();
  return text.empty() ? std::string(text::kSetFailed) : text;
}

}  // namespace kaviro::cli
