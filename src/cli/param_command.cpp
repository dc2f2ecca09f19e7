#include <iostream>

#include "cli/commands.h"
#include "cli/register_report.h"
#include "cli/verb_link.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "monitor/poll_worker.h"
#include "tools/controller/param_settings.h"

namespace kaviro::cli {

namespace {

constexpr const char* kParamSynopsis =
    "kaviro-cli param list | get NAME | set NAME VALUE [link options]\n"
    "  The parameter settings dialog's rows: list shows every parameter as the dialog shows it on\n"
    "  opening (from one poll), get reads one, set checks VALUE as the dialog does, writes it, then\n"
    "  reads it back. NAME is a name below or the register as 0xHHHH.";

std::string ParamFooter() {
  std::string names = "Parameters:\n";
  for (const ParamRow& row : ParamRows())
    names += Format("  %-22s0x%04X  %s %s\n", row.name, row.reg, row.caption, row.rangeNote);
  return names + "\n" +
         Footer("  kaviro-cli param list --mode serial --com 2\n"
                "  kaviro-cli param get load-hvd --mode wireless --device /dev/ttyUSB0\n"
                "  kaviro-cli param set 0xE00E 13.2 --mode network --host 192.168.1.199\n");
}

// The clock row as `param list` shows it.
constexpr const char* kClockName = "clock";
constexpr const char* kClockCaption = "控制器时间设置：";

// Counts what one poll decoded; its messages go to stderr.
class CountingObserver final : public PollObserver {
 public:
  int blocks = 0;
  void OnBlockDecoded(const DecodedTexts&) override { ++blocks; }
  void OnStatusText(const std::string& text) override { std::cerr << text << '\n'; }
  void OnMessage(const std::string& text) override { std::cerr << text << '\n'; }
  void OnConnectionLost() override {}
};

constexpr int kPollBlocks = 3;

int List(LinkService& link, const AppConfig& config) {
  // Every row's register is in the poll's three blocks: one poll fills the whole cache.
  SharedConfig shared(config);
  DecodedValues values{};
  CountingObserver observer;
  PollWorker worker(link, shared, values, observer);
  worker.SetEnabled(true);
  if (worker.PollOnce() != PollResult::kSucceeded || observer.blocks != kPollBlocks) {
    std::cerr << text::kCommunicationFailed << '\n';
    return kExitFailed;
  }
  std::vector<std::vector<std::string>> rows = {{"name", "register", "value", "unit", "parameter"}};
  for (const ParamRow& row : ParamRows())
    rows.push_back({row.name, Format("0x%04X", row.reg), ParamDisplayText(row, values), row.unit, row.caption});
  const std::optional<LocalDateTime> clock = ControllerClockTime(values.controllerClock);
  rows.push_back({kClockName, Format("0x%04X", kClockRegister), clock ? ClockText(*clock) : "", "-", kClockCaption});
  WriteAligned(std::cout, rows);
  return kExitOk;
}

// The value read (or read back) on stdout, the texts on stderr.
int Shown(const Result<ParamValue>& r) {
  if (r.value) std::cout << r.value->text << '\n';
  return Finish(r);
}

}  // namespace

int RunParam(const std::vector<std::string>& args) {
  const std::string footer = ParamFooter();
  Verb verb("param", kParamSynopsis, footer);
  std::string name, value;
  CLI::App* list = verb.Sub("list", "every parameter with its value, from one poll");
  CLI::App* get = verb.Sub("get", "read one parameter and print it as the dialog shows it");
  get->add_option("NAME", name, "parameter name or register (0xHHHH)")->required();
  CLI::App* set = verb.Sub("set", "check, write and read back one parameter");
  set->add_option("NAME", name, "parameter name or register (0xHHHH)")->required();
  set->add_option("VALUE", value, "the value as typed into the dialog's input edit")->required();
  verb.app().require_subcommand(1);
  if (const auto done = verb.Parse(args)) return *done;

  const ParamRow* row = nullptr;
  if (!list->parsed()) {
    row = FindParamRow(name);
    if (!row) {
      std::cerr << "kaviro-cli param: no parameter " << name << " (kaviro-cli param --help lists them)\n";
      return kExitUsage;
    }
  }
  int status = kExitOk;
  const auto link = VerbLink::Open(verb, status);
  if (!link) return status;
  if (list->parsed()) return List(link->link(), link->config());
  if (get->parsed()) return Shown(ReadParamValue(link->link(), link->mode(), link->unit(), *row));
  return Shown(SetParamVerified(link->link(), link->mode(), link->unit(), *row, value));
}

}  // namespace kaviro::cli
