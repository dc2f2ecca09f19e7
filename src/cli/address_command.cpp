#include <iostream>

#include "cli/commands.h"
#include "cli/console_support.h"
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

constexpr const char* kAddressFooter =
    "Exit status: 0 success, 1 bad usage or input refused, 2 the link could not be opened or connected,\n"
    "             3 no answer or the answer refused, 4 the new address reports another address.\n\n"
    "Examples:\n"
    "  kaviro-cli address get --mode serial --com 2\n"
    "  kaviro-cli address set 5 --id 01 --mode network --host 192.168.1.199\n";

}  // namespace

int RunAddress(const std::vector<std::string>& args) {
  Verb verb("address", kAddressSynopsis, kAddressFooter, IdOption::kHex);
  verb.app().require_subcommand(1);
  CLI::App* get = verb.Sub("get", "kaviro-cli address get [--id HEX] [link options]\n  Reads the address.");
  CLI::App* set = verb.Sub("set", kAddressSetSynopsis);
  std::string text;
  set->add_option("N", text, "the new address, 1 to 247")->required();
  if (const auto done = verb.Parse(args)) return *done;

  const std::optional<ConsoleTarget> target = Target(verb);
  if (!target) return kExitUsage;
  std::optional<uint8_t> next;
  if (set->parsed()) {
    next = ParseModbusAddressText(text);
    if (!next) return Refused(kModbusAddressRefusal);
  }

  ConsoleLink link(*target, verb.link);
  if (!link.ok()) return kExitNoLink;
  if (get->parsed()) {
    const ModbusAddressRead read = ReadModbusAddress(link.link(), link.mode(), target->unit);
    if (!read.address) return Failed(read.message);
    std::cout << *read.address << '\n';
    return kExitOk;
  }

  std::cout << HexBytes(ModbusAddressWrite(target->unit, *next).Bytes()) << '\n';
  if (const auto failed = SendFailed(WriteModbusAddress(link.link(), link.mode(), target->unit, *next))) return *failed;
  link.Settle();
  const ModbusAddressRead read = ReadModbusAddress(link.link(), link.mode(), *next);
  if (!read.address) return Failed(read.message);
  std::cout << *read.address << '\n';
  return *read.address == *next ? kExitOk : kExitMismatch;
}

}  // namespace kaviro::cli
