#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "link/text_format.h"
#include "tools/console/wireless_settings.h"

namespace kaviro::cli {

namespace {

constexpr const char* kAddressSynopsis =
    "kaviro-cli address get|set [--id HEX] [link options]\n"
    "  The controller's own Modbus address (register 0x0040), asked at the address --id.";

constexpr const char* kAddressSetSynopsis =
    "kaviro-cli address set N [--id HEX] [link options]\n"
    "  Gives the controller at --id the new address N (1 to 247), then asks the new address for it\n"
    "  and prints what it says.";

const std::string kAddressFooter = Footer(
    "  kaviro-cli address get --mode serial --com 2\n"
    "  kaviro-cli address set 5 --id 01 --mode network --host 192.168.1.199\n");

}  // namespace

int RunAddress(const std::vector<std::string>& args) {
  Verb verb("address", kAddressSynopsis, kAddressFooter, IdOption::kHex);
  verb.app().require_subcommand(1);
  verb.Sub("get", "kaviro-cli address get [--id HEX] [link options]\n  Reads the address.");
  CLI::App* set = verb.Sub("set", kAddressSetSynopsis);
  std::string text;
  set->add_option("N", text, "the new address, 1 to 247")->required();
  if (const auto done = verb.Parse(args)) return *done;

  std::optional<uint8_t> next;
  if (set->parsed() && !(next = ParseModbusAddressText(text))) return Finish(ConsoleRefusal(kModbusAddressRefusal));
  int status = kExitOk;
  const auto link = VerbLink::Open(verb, status);
  if (!link) return status;
  if (next) std::cout << HexBytes(ModbusAddressWrite(link->unit(), *next).Bytes()) << '\n';
  const Result<int> read = next ? SetModbusAddressVerified(link->link(), link->mode(), link->unit(), *next)
                                : ReadModbusAddress(link->link(), link->mode(), link->unit());
  if (read.value) std::cout << *read.value << '\n';
  return Finish(read);
}

}  // namespace kaviro::cli
