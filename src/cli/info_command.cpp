#include <iostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/param_support.h"
#include "cli/register_report.h"
#include "cli/verb.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/controller/controller_info.h"

namespace kaviro::cli {

namespace {

constexpr const char* kInfoSynopsis =
    "kaviro-cli info presets|set-custom|dip|faults [link options]\n"
    "  The controller information dialog headless: the battery preset table, the user's own battery\n"
    "  row, the DIP switches, and the fault and alarm bits.";

constexpr const char* kInfoFooter =
    "Exit status: 0 success, 1 bad usage or input refused, 2 the link could not be opened or connected,\n"
    "             3 the exchange failed (no answer, answer rejected, the write could not be sent),\n"
    "             4 set-custom: the row read back is not the row that was written.\n\n"
    "Examples:\n"
    "  kaviro-cli info presets --mode serial --com 2\n"
    "  kaviro-cli info set-custom 14.4 13.8 14.8 30 16 11 12 12.5 -10 --mode wireless --device /dev/ttyUSB0\n"
    "  kaviro-cli info dip --mode network --host 192.168.1.199\n"
    "  kaviro-cli info faults --mode serial --device /dev/ttyUSB0 --id 5\n";

constexpr const char* kSetCustomSynopsis =
    "kaviro-cli info set-custom ABSORB FLOAT EQUALISE PERIOD MAX SHUTOFF LOW MIDDLE COEFF [link options]\n"
    "  Writes the user's battery type (row 自定义) with the dialog's checks and messages: voltages\n"
    "  8.0 to 16.0, equalise period 0 to 255 days, temperature coefficient -128 to 0. Prints the\n"
    "  frame, sends it (the write is not confirmed), then reads the table back, prints the row as\n"
    "  read and compares it with what was written.";

void PrintMessages(const std::vector<std::string>& messages) {
  for (const std::string& m : messages) std::cerr << m << '\n';
}

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

// The table read; silence (the dialog's quiet ending) is told as the tool's communication failure.
std::optional<PresetWords> ReadTableOrSay(LinkService& link, LinkMode mode, uint8_t unit) {
  const PresetTableRead read = ReadPresetTable(link, mode, unit);
  PrintMessages(read.messages);
  if (!read.words && read.messages.empty()) std::cerr << text::kCommunicationFailed << '\n';
  return read.words;
}

int Presets(LinkService& link, LinkMode mode, uint8_t unit) {
  const std::optional<PresetWords> words = ReadTableOrSay(link, mode, unit);
  if (!words) return kExitFailed;
  const PresetTexts texts = PresetTableTexts(*words);
  std::vector<std::vector<std::string>> rows{HeaderCells()};
  for (int i = 0; i < kPresetRows; ++i) rows.push_back(RowCells(i, texts[i]));
  WriteAligned(std::cout, rows);
  return kExitOk;
}

int SetCustom(LinkService& link, LinkMode mode, uint8_t unit, const CustomPresetWords& words) {
  const RtuFrame frame = CustomPresetFrame(unit, words);
  std::cout << HexBytes(frame.Bytes()) << '\n';
  if (const int status = Report(SendCustomPreset(link, mode, frame)); status != kExitOk) return status;
  const std::optional<PresetWords> read = ReadTableOrSay(link, mode, unit);
  if (!read) return kExitFailed;
  CustomPresetWords stored{};
  std::copy_n(read->begin() + kPresetColumns * kCustomPresetRow, kPresetColumns, stored.begin());
  PresetRow texts;
  for (int j = 0; j < kPresetColumns; ++j) texts[j] = PresetText(j, stored[j]);
  WriteAligned(std::cout, {HeaderCells(), RowCells(kCustomPresetRow, texts)});
  if (stored != words) {
    std::cerr << "kaviro-cli info set-custom: the controller holds another row than was written\n";
    return kExitMismatch;
  }
  return kExitOk;
}

int Dip(LinkService& link, LinkMode mode, uint8_t unit) {
  const RegisterRead read = ReadInfoRegister(link, mode, unit, kDipRegister);
  PrintMessages(read.messages);
  if (!read.value) return kExitFailed;
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
  return kExitOk;
}

void PrintBits(const char* name, uint16_t word, std::span<const InfoLabel> labels) {
  std::cout << name << ' ' << Format("0x%04X", word) << '\n';
  for (size_t k = 0; k < labels.size(); ++k)
    if (word >> k & 1) std::cout << "  bit" << k << ' ' << labels[k].text << '\n';
}

int Faults(LinkService& link, LinkMode mode, uint8_t unit) {
  const FaultAlarmRead read = ReadFaultsAndAlarms(link, mode, unit);
  if (read.faults) PrintBits("故障", *read.faults, kFaultLabels);
  if (read.alarms) PrintBits("报警", *read.alarms, kAlarmLabels);
  PrintMessages(read.messages);
  return read.alarms ? kExitOk : kExitFailed;
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

  std::optional<CustomPresetWords> custom;
  if (*setCustom) {
    PresetRow texts;
    std::copy(values.begin(), values.end(), texts.begin());
    const CustomPresetCheck check = CheckCustomPreset(texts);
    if (!check.words) {
      std::cerr << (check.caption.empty() ? "" : check.caption + ": ") << check.message << '\n';
      return kExitUsage;
    }
    custom = check.words;
  }

  const AppConfig config = verb.Config();
  const LinkMode mode = LinkModeOf(config.workMode);
  const auto unit = static_cast<uint8_t>(config.deviceId);
  LinkService link;
  const std::unique_ptr<OpenedLink> opened = OpenLinkOrSay(link, config, verb.link);
  if (!opened) return kExitNoLink;
  if (*presets) return Presets(link, mode, unit);
  if (*setCustom) return SetCustom(link, mode, unit, *custom);
  if (*dip) return Dip(link, mode, unit);
  if (*faults) return Faults(link, mode, unit);
  return kExitUsage;
}

}  // namespace kaviro::cli
