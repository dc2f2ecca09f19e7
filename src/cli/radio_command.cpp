#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "link/text_format.h"
#include "tools/console/wireless_settings.h"

namespace kaviro::cli {

namespace {

constexpr const char* kRadioSynopsis =
    "kaviro-cli radio get|set [--id HEX] [link options]\n"
    "  The controller's 2.4 GHz radio block (0x3040): its own wireless address and those of the RD\n"
    "  and the RTS with their link switches. get prints controller<TAB>HEX, rd<TAB>HEX<TAB>on|off\n"
    "  and rts<TAB>HEX<TAB>on|off.";

constexpr const char* kRadioSetSynopsis =
    "kaviro-cli radio set --controller HEX10 --rd HEX10 [--rd-on] --rts HEX10 [--rts-on] [--id HEX]\n"
    "                     [link options]\n"
    "  Writes the three addresses (ten hex digits each) and the two switches (off unless named),\n"
    "  then reads the block back and prints it.";

const std::string kRadioFooter = Footer(
    "  kaviro-cli radio get --mode serial --com 2\n"
    "  kaviro-cli radio set --controller 3231323031 --rd 3231323036 --rd-on --rts 3231323038 \\\n"
    "                       --mode network --host 192.168.1.199\n");

void Print(const WirelessConfig& c) {
  std::cout << "controller\t" << c.controller << '\n'
            << "rd\t" << c.rd << '\t' << (c.rdOn ? "on" : "off") << '\n'
            << "rts\t" << c.rts << '\t' << (c.rtsOn ? "on" : "off") << '\n';
}

}  // namespace

int RunRadio(const std::vector<std::string>& args) {
  Verb verb("radio", kRadioSynopsis, kRadioFooter, IdOption::kHex);
  verb.app().require_subcommand(1);
  CLI::App* get = verb.Sub("get", "kaviro-cli radio get [--id HEX] [link options]\n  Reads the radio block.");
  CLI::App* set = verb.Sub("set", kRadioSetSynopsis);
  WirelessConfig wanted;
  set->add_option("--controller", wanted.controller, "the controller's wireless address")->type_name("HEX10")->required();
  set->add_option("--rd", wanted.rd, "the RD's wireless address")->type_name("HEX10")->required();
  set->add_flag("--rd-on", wanted.rdOn, "switch the radio link to the RD on");
  set->add_option("--rts", wanted.rts, "the RTS's wireless address")->type_name("HEX10")->required();
  set->add_flag("--rts-on", wanted.rtsOn, "switch the radio link to the RTS on");
  if (const auto done = verb.Parse(args)) return *done;

  const AppConfig config = verb.Config();
  const std::optional<uint8_t> unit = VerbUnit(verb, config);
  if (!unit) return kExitUsage;
  const Result<RtuFrame> write = BuildWirelessWrite(*unit, wanted);
  if (set->parsed() && !write.ok()) return Finish(write);
  int status = kExitOk;
  const auto link = VerbLink::Open(verb, config, status);
  if (!link) return status;
  if (set->parsed()) std::cout << HexBytes(write.value->Bytes()) << '\n';
  const Result<WirelessConfig> read =
      get->parsed() ? ReadWirelessConfig(link->link(), link->mode(), link->unit())
                    : SetWirelessVerified(link->link(), link->mode(), link->unit(), *write.value, wanted);
  if (read.value) Print(*read.value);
  return Finish(read);
}

}  // namespace kaviro::cli
