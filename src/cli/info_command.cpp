#include <iostream>

#include "cli/commands.h"
#include "cli/register_report.h"
#include "cli/verb_link.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/controller/controller_info.h"

namespace kaviro::cli {

namespace {

constexpr const char* kInfoSynopsis =
    "kaviro-cli info presets|set-custom|dip|faults [link options]\n"
    "  The controller information dialog headless: the battery preset table, the user's own battery\n"
    "  row, the DIP switches, and the fault and alarm bits.";

const std::string kInfoFooter = Footer(
    "  kaviro-cli info presets --mode serial --com 2\n"
    "  kaviro-cli info set-custom 14.4 13.8 14.8 30 16 11 12 12.5 -10 --mode wireless --device /dev/ttyUSB0\n"
    "  kaviro-cli info dip --mode network --host 192.168.1.199\n"
    "  kaviro-cli info faults --mode serial --device /dev/ttyUSB0 --id 5\n");

constexpr const char* kSetCustomSynopsis =
    "kaviro-cli info set-custom ABSORB FLOAT EQUALISE PERIOD MAX SHUTOFF LOW MIDDLE COEFF [link options]\n"
    "  Writes the user's battery type (row 自定义) with the dialog's checks and messages: voltages\n"
    "  8.0 to 16.0, equalise period 0 to 255 days, temperature coefficient -128 to 0. Prints the\n"
    "  frame, sends it (the controller confirms it), then reads the table back, prints the row as\n"
    "  read and compares it with what was written.";

std::vector<std::string> RowCells(int row, const PresetRow& texts) {
  std::vector<std::string> cells{kPresetRowLabels[row].text};
  cells.insert(cells.end(), texts.begin(), texts.end());
  return cells;
}

std::vector<std::string> HeaderCells() {
  std::vector<std::string> cells{""};
  cells.insert(cells.end(), std::begin(kPresetColumnNames), std::end(kPresetColumnNames));
  return cells;
}

void PrintPresets(const Result<PresetWords>& read) {
  if (!read.value) return;
  const PresetTexts texts = PresetTableTexts(*read.value);
  std::vector<std::vector<std::string>> rows{HeaderCells()};
  for (int i = 0; i < kPresetRows; ++i) rows.push_back(RowCells(i, texts[i]));
  WriteAligned(std::cout, rows);
}

void PrintCustomRow(const Result<CustomPresetWords>& read) {
  if (!read.value) return;
  PresetRow texts;
  for (int j = 0; j < kPresetColumns; ++j) texts[j] = PresetText(j, (*read.value)[j]);
  WriteAligned(std::cout, {HeaderCells(), RowCells(kCustomPresetRow, texts)});
}

void PrintDip(const Result<uint16_t>& read) {
  if (!read.value) return;
  const DipView view = DecodeDip(*read.value);
  std::vector<std::string> numbers{"DIP"}, positions{Format("0x%04X", *read.value)};
  for (int k = 0; k < kDipSwitches; ++k) {
    numbers.push_back(k + 1 < kDipSwitches ? std::to_string(k + 1) : kDipGroupTable[kDipGroups - 1].name);
    positions.push_back(view.on[k] ? "ON" : "OFF");
  }
  WriteAligned(std::cout, {numbers, positions});
  std::cout << '\n';
  std::vector<std::vector<std::string>> groups;
  for (int g = 0; g < kDipGroups; ++g) groups.push_back({kDipGroupTable[g].name, view.lit[g].text});
  WriteAligned(std::cout, groups);
}

void PrintBits(const char* name, uint16_t word, std::span<const InfoLabel> labels) {
  std::cout << name << ' ' << Format("0x%04X", word) << '\n';
  for (size_t k = 0; k < labels.size(); ++k)
    if (word >> k & 1) std::cout << "  bit" << k << ' ' << labels[k].text << '\n';
}

void PrintFaults(const Result<FaultAlarmWords>& read) {
  if (!read.value) return;
  PrintBits("故障", read.value->faults, kFaultLabels);
  if (read.value->alarms) PrintBits("报警", *read.value->alarms, kAlarmLabels);
}

// Prints what was read, then ends with its texts and status.
template <typename T>
int Shown(const Result<T>& read, void (*print)(const Result<T>&)) {
  print(read);
  return Finish(read);
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
  Verb verb("info", kInfoSynopsis, kInfoFooter);
  CLI::App& app = verb.app();
  app.require_subcommand(1);
  CLI::App* presets = verb.Sub("presets",
                               "kaviro-cli info presets [link options]\n"
                               "  Reads the eight battery types' charging parameters and prints them as the dialog\n"
                               "  shows them: the type, then its nine values.");
  CLI::App* setCustom = verb.Sub("set-custom", kSetCustomSynopsis);
  std::vector<std::string> values;
  setCustom->add_option("VALUES", values, "the nine values in the table's column order")
      ->type_name("V1 ... V9")
      ->expected(kPresetColumns)
      ->required();
  CLI::App* dip = verb.Sub("dip",
                           "kaviro-cli info dip [link options]\n"
                           "  Reads the DIP switches: the position of the eight switches and the wireless switch,\n"
                           "  and the option each group of switches selects.");
  CLI::App* faults = verb.Sub("faults",
                              "kaviro-cli info faults [link options]\n"
                              "  Reads the fault word and the alarm word: each word, then the names of its set bits.");
  if (const auto done = verb.Parse(args)) return *done;

  Result<CustomPresetWords> custom;
  if (*setCustom) {
    PresetRow texts;
    std::copy(values.begin(), values.end(), texts.begin());
    custom = CheckCustomPreset(texts);
    if (!custom.ok()) return Finish(custom);
  }
  int status = kExitOk;
  const auto link = VerbLink::Open(verb, status);
  if (!link) return status;
  LinkService& l = link->link();
  const LinkMode mode = link->mode();
  const uint8_t unit = link->unit();
  if (*presets) return Shown(ReadPresetTable(l, mode, unit), PrintPresets);
  if (*dip) return Shown(ReadInfoRegister(l, mode, unit, kDipRegister), PrintDip);
  if (*faults) return Shown(ReadFaultsAndAlarms(l, mode, unit), PrintFaults);
  std::cout << HexBytes(CustomPresetFrame(unit, *custom.value).Bytes()) << '\n';
  return Shown(SetCustomPresetVerified(l, mode, unit, *custom.value), PrintCustomRow);
}

}  // namespace kaviro::cli
