#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "link/text_format.h"
#include "tools/common/address_entry.h"
#include "tools/console/network_module.h"
#include "tools/settings/settings_file.h"
#include "tools/settings/settings_plan.h"

namespace kaviro::cli {

namespace {

constexpr const char* kSettingsSynopsis =
    "kaviro-cli settings save FILE | diff FILE [FILE2] | apply FILE [options] [link options]\n"
    "  A snapshot of everything a user can set on the controller (parameters, the user's battery\n"
    "  row, lighting times, Ethernet, radio and Modbus address, MAC and identification, and on the\n"
    "  network the RD's settings), kept as a JSON file, compared and written back.";

constexpr const char* kDiffSynopsis =
    "kaviro-cli settings diff FILE [FILE2] [--format text|json] [link options]\n"
    "  FILE against the controller, or against FILE2 without a link: one line per setting that\n"
    "  differs (name, registers, left, right). Exit status 0 when nothing differs, 4 when\n"
    "  something does. The MAC and identification are compared only for the same serial number.";

constexpr const char* kApplySynopsis =
    "kaviro-cli settings apply FILE [--only NAME,...] [--include-link] [--include-identity]\n"
    "                           [--dry-run] [link options]\n"
    "  Writes what differs from FILE, each setting through the dialog's own check and confirmed\n"
    "  write, then read back, in an order that keeps every bound satisfied on the way. Nothing is\n"
    "  written when a setting cannot be applied in any order. The link's settings (Modbus address,\n"
    "  Ethernet, radio addresses) only with --include-link, and last; the MAC and identification\n"
    "  only with --include-identity on the controller of the same serial number. The first write\n"
    "  that fails stops the apply; running it again writes what still differs.";

const std::string kSettingsFooter = Footer(
    "  kaviro-cli settings save site-a.json --mode serial --com 2\n"
    "  kaviro-cli settings diff site-a.json --mode network --host 192.168.1.199\n"
    "  kaviro-cli settings diff site-a.json site-b.json\n"
    "  kaviro-cli settings apply site-a.json --dry-run --mode serial --com 3\n"
    "  kaviro-cli settings apply site-a.json --only battery-min,battery-max --mode serial --com 3\n");

std::string LinkText(const VerbLink& link, const Verb& verb) {
  const AppConfig& c = link.config();
  std::string where;
  switch (link.mode()) {
    case LinkMode::kNetwork:
      where = "network " + DottedAddress(c.controllerIp) + ":" + std::to_string(verb.link.port.value_or(502));
      break;
    case LinkMode::kWireless: where = "wireless " + verb.link.device.value_or("COM" + std::to_string(c.comPort)); break;
    case LinkMode::kSerial: where = "serial " + verb.link.device.value_or("COM" + std::to_string(c.comPort)); break;
  }
  return where + Format(" unit %d", link.unit());
}

struct SettingsArgs {
  std::string file, file2, format = "text", rdUnitText = "36";
  std::vector<std::string> only;
  ApplyOptions apply;
  CLI::App *save, *diff, *run;
};

void Define(Verb& verb, SettingsArgs& a) {
  verb.app().require_subcommand(1, 1);
  verb.app()
      .add_option("--rd-unit", a.rdUnitText, "the RD's unit address as two hex digits (default 36)")
      ->type_name("HEX");
  a.save = verb.Sub("save", "kaviro-cli settings save FILE [link options]\n  Reads every setting and writes FILE.");
  a.save->add_option("FILE", a.file, "the settings file")->required();
  a.diff = verb.Sub("diff", kDiffSynopsis);
  a.diff->add_option("FILE", a.file, "the settings file")->required();
  a.diff->add_option("FILE2", a.file2, "a second settings file, in place of the controller");
  a.diff->add_option("--format", a.format, "text or json")->check(OneOf({"text", "json"}, "text or json"));
  a.run = verb.Sub("apply", kApplySynopsis);
  a.run->add_option("FILE", a.file, "the settings file")->required();
  a.run->add_option("--only", a.apply.only, "only these settings (names as the file has them)")
      ->delimiter(',')
      ->type_name("NAME,...");
  a.run->add_flag("--include-link", a.apply.includeLink, "also the Modbus address, Ethernet and radio addresses");
  a.run->add_flag("--include-identity", a.apply.includeIdentity,
                  "also the MAC and identification (same serial number only)");
  a.run->add_flag("--dry-run", a.apply.dryRun, "print the frames it would send, send nothing");
}

nlohmann::json EntryJson(const SettingEntry* e) {
  if (!e) return {{"unreadable", "not in the file"}};
  if (!e->value) return {{"unreadable", e->unreadable}};
  return {{"text", e->value->text}, {"words", e->value->words}};
}

int PrintDifferences(const Snapshot& left, const Snapshot& right, const std::string& format) {
  const std::vector<Difference> diffs = Differences(left, right);
  if (format == "json") {
    nlohmann::json list = nlohmann::json::array();
    for (const Difference& d : diffs)
      list.push_back({{"name", d.kind->name},
                      {"registers", RegistersText(d.kind->registers)},
                      {"left", EntryJson(d.left)},
                      {"right", EntryJson(d.right)}});
    std::cout << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    for (const Difference& d : diffs)
      std::cout << d.kind->name << '\t' << RegistersText(d.kind->registers) << '\t' << EntryText(d.left) << '\t'
                << EntryText(d.right) << '\n';
  }
  return diffs.empty() ? kExitOk : kExitMismatch;
}

size_t Unreadable(const Snapshot& s) {
  size_t n = 0;
  for (const SettingEntry& e : s.entries) n += !e.value;
  return n;
}

// A snapshot with nothing in it says the link carries nothing.
bool NothingRead(const Snapshot& s) { return Unreadable(s) == s.entries.size(); }

int Save(const SettingsTarget& target, const std::string& linkText, const std::string& file) {
  const Snapshot s = ReadSnapshot(target, linkText);
  for (const SettingEntry& e : s.entries)
    if (!e.value) std::cerr << "unreadable: " << e.name << ": " << e.unreadable << '\n';
  if (NothingRead(s)) {
    std::cerr << "kaviro-cli settings: nothing could be read; " << file << " is not written\n";
    return kExitFailed;
  }
  const Result<> saved = SaveSettingsFile(file, s);
  if (!saved.ok()) return Finish(saved);
  std::cout << file << ": " << s.entries.size() << " settings, " << Unreadable(s) << " unreadable\n";
  return kExitOk;
}

void PrintStep(const char* what, const PlanStep& step, const std::string& more = {}) {
  std::cout << what << '\t' << step.kind->name << '\t' << step.value.text << (more.empty() ? "" : "\t" + more) << '\n';
}

int Apply(const SettingsTarget& target, const Snapshot& file, const Snapshot& live, const ApplyOptions& options) {
  const ApplyPlan plan = PlanApply(file, live, options);
  if (plan.refusal) {
    std::cerr << "kaviro-cli settings: " << *plan.refusal << "; nothing was written\n";
    return kExitUsage;
  }
  for (const Skipped& s : plan.skipped) std::cerr << "left as it is: " << s.kind->name << ": " << s.why << '\n';
  if (options.dryRun) {
    for (const PlanStep& step : plan.steps) {
      PrintStep("would write", step);
      for (const RtuFrame& frame : step.kind->group->Frames(target, step.kind->index, step.value.words))
        std::cout << "  " << HexBytes(frame.Bytes()) << '\n';
    }
    return kExitOk;
  }
  const ApplyReport report = RunApply(target, plan, [](const PlanStep& step, const Result<SettingValue>& r) {
    if (r.ok()) PrintStep("verified", step);
  });
  if (report.failed) {
    PrintStep("failed", *report.failed, report.failure.empty() ? "no answer" : report.failure);
    for (const PlanStep& step : report.notTried) PrintStep("not tried", step);
  }
  std::cout << report.verified.size() << " written and verified, " << (report.failed ? 1 : 0) << " failed, "
            << report.notTried.size() << " not tried\n";
  return ExitStatus(report.status);
}

}  // namespace

int RunSettings(const std::vector<std::string>& args) {
  Verb verb("settings", kSettingsSynopsis, kSettingsFooter);
  SettingsArgs a;
  Define(verb, a);
  if (const auto done = verb.Parse(args)) return *done;

  std::string message;
  const std::optional<uint8_t> rdUnit = ParseAddressEntry(a.rdUnitText, message);
  if (!rdUnit) {
    std::cerr << "--rd-unit: " << message << '\n';
    return kExitUsage;
  }
  std::optional<Snapshot> file;
  if (!a.save->parsed()) {
    const Result<Snapshot> loaded = LoadSettingsFile(a.file);
    if (!loaded.ok()) return Finish(loaded);
    file = *loaded.value;
  }
  if (a.diff->parsed() && !a.file2.empty()) {
    const Result<Snapshot> second = LoadSettingsFile(a.file2);
    if (!second.ok()) return Finish(second);
    return PrintDifferences(*file, *second.value, a.format);
  }

  int status = kExitOk;
  const auto link = VerbLink::Open(verb, status);
  if (!link) return status;
  const SettingsTarget target{link->link(), link->mode(), link->unit(), *rdUnit};
  const std::string linkText = LinkText(*link, verb);
  if (a.save->parsed()) return Save(target, linkText, a.file);

  const Snapshot live = ReadSnapshot(target, linkText);
  if (NothingRead(live)) {
    std::cerr << "kaviro-cli settings: nothing could be read from the controller: " << live.entries.front().unreadable
              << '\n';
    return kExitFailed;
  }
  if (a.diff->parsed()) return PrintDifferences(*file, live, a.format);
  return Apply(target, *file, live, a.apply);
}

}  // namespace kaviro::cli
