#include <arpa/inet.h>

#include <cctype>
#include <iostream>

#include "cli/commands.h"
#include "cli/console_support.h"
#include "link/text_format.h"
#include "tools/console/network_module.h"

namespace kaviro::cli {

namespace {

constexpr const char* kNetSynopsis =
    "kaviro-cli net get|set-mac|set [--id HEX] [link options]\n"
    "  The controller's Ethernet module: MAC address (0x3000), address mode, listening port, IP\n"
    "  address, mask and gateway (0x3010). get prints them as name<TAB>value lines.";

constexpr const char* kSetMacSynopsis =
    "kaviro-cli net set-mac HEX12 [--id HEX] [link options]\n"
    "  Writes the MAC address (twelve hex digits), then reads it back and prints it.";

constexpr const char* kSetSynopsis =
    "kaviro-cli net set --static|--auto --listen-port N [--ip A.B.C.D] [--mask A.B.C.D]\n"
    "                   [--gateway A.B.C.D] [--id HEX] [link options]\n"
    "  Writes the address mode, the port the controller listens on (1 to 65535) and the addresses\n"
    "  (0.0.0.0 when not given; a static address may not be 0.0.0.0), then reads them back and\n"
    "  prints them. In automatic mode the controller may report the addresses it obtained, so only\n"
    "  the mode and the port are compared. (--port is the link's TCP port.)";

constexpr const char* kNetFooter =
    "Exit status: 0 success, 1 bad usage or input refused, 2 the link could not be opened or connected,\n"
    "             3 no answer or the answer refused, 4 the settings read back differ from those written.\n\n"
    "Examples:\n"
    "  kaviro-cli net get --mode serial --com 2\n"
    "  kaviro-cli net set-mac 024b56520001 --mode serial --com 2\n"
    "  kaviro-cli net set --static --listen-port 502 --ip 192.168.1.100 --mask 255.255.255.0 \\\n"
    "                     --gateway 192.168.1.1 --mode wireless --device /dev/ttyUSB0\n";

std::optional<uint32_t> Dotted(const std::string& text) {
  in_addr addr{};
  if (inet_pton(AF_INET, text.c_str(), &addr) != 1) return std::nullopt;
  return ntohl(addr.s_addr);
}

CLI::Validator DottedValue() {
  return CLI::Validator(
      [](std::string& text) { return Dotted(text) ? std::string() : std::string("a dotted address such as 192.168.1.1"); },
      "");
}

void PrintSettings(const NetworkSettings& s) {
  std::cout << "mode\t" << (s.mode != 0 ? "static" : "auto") << '\n'
            << "port\t" << s.port << '\n'
            << "ip\t" << DottedAddress(s.ip) << '\n'
            << "mask\t" << DottedAddress(s.mask) << '\n'
            << "gateway\t" << DottedAddress(s.gateway) << '\n';
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool SameAsWritten(const NetworkSettings& read, const NetworkSettings& written) {
  if ((read.mode != 0) != (written.mode != 0) || read.port != written.port) return false;
  return written.mode == 0 || (read.ip == written.ip && read.mask == written.mask && read.gateway == written.gateway);
}

}  // namespace

int RunNet(const std::vector<std::string>& args) {
  Verb verb("net", kNetSynopsis, kNetFooter, IdOption::kHex);
  verb.app().require_subcommand(1);
  CLI::App* get = verb.Sub("get", "kaviro-cli net get [--id HEX] [link options]\n  Reads the MAC address and the settings.");
  CLI::App* setMac = verb.Sub("set-mac", kSetMacSynopsis);
  CLI::App* set = verb.Sub("set", kSetSynopsis);
  std::string mac;
  setMac->add_option("HEX12", mac, "twelve hex digits")->required();
  bool isStatic = false, automatic = false;
  int port = 0;
  std::string ip = "0.0.0.0", mask = "0.0.0.0", gateway = "0.0.0.0";
  CLI::Option* staticFlag = set->add_flag("--static", isStatic, "use the static addresses");
  CLI::Option* autoFlag = set->add_flag("--auto", automatic, "obtain the addresses automatically")->excludes(staticFlag);
  set->add_option("--listen-port", port, "the port the controller listens on")->type_name("N")->required()->check(WholeNumber(-2147483647, 2147483647));
  set->add_option("--ip", ip, "IP address")->type_name("A.B.C.D")->check(DottedValue());
  set->add_option("--mask", mask, "subnet mask")->type_name("A.B.C.D")->check(DottedValue());
  set->add_option("--gateway", gateway, "gateway")->type_name("A.B.C.D")->check(DottedValue());
  set->callback([&] {
    if (!staticFlag->count() && !autoFlag->count()) throw CLI::ValidationError("say --static or --auto");
  });
  if (const auto done = verb.Parse(args)) return *done;

  const std::optional<ConsoleTarget> target = Target(verb);
  if (!target) return kExitUsage;
  std::optional<RtuFrame> frame;
  const NetworkSettings wanted{static_cast<uint16_t>(isStatic ? 1 : 0), port, *Dotted(ip), *Dotted(mask), *Dotted(gateway)};
  if (setMac->parsed() || set->parsed()) {
    const ConsoleWrite w = setMac->parsed() ? BuildMacWrite(target->unit, mac) : BuildNetworkWrite(target->unit, wanted);
    if (!w.frame) return Refused(w.refusal.text);
    frame = w.frame;
  }

  ConsoleLink link(*target, verb.link);
  if (!link.ok()) return kExitNoLink;
  LinkService& l = link.link();
  if (get->parsed()) {
    const MacAnswer readMac = ReadMac(l, link.mode(), target->unit);
    if (!readMac.mac) return Failed(readMac.message);
    std::cout << "mac\t" << *readMac.mac << '\n';
    const NetworkSettingsAnswer read = ReadNetworkSettings(l, link.mode(), target->unit);
    if (!read.settings) return Failed(read.message);
    PrintSettings(*read.settings);
    return kExitOk;
  }

  std::cout << HexBytes(frame->Bytes()) << '\n';
  if (const auto failed = SendFailed(SendWithoutReply(l, link.mode(), *frame))) return *failed;
  link.Settle();
  if (setMac->parsed()) {
    const MacAnswer read = ReadMac(l, link.mode(), target->unit);
    if (!read.mac) return Failed(read.message);
    std::cout << "mac\t" << *read.mac << '\n';
    return *read.mac == Lower(mac) ? kExitOk : kExitMismatch;
  }
  const NetworkSettingsAnswer read = ReadNetworkSettings(l, link.mode(), target->unit);
  if (!read.settings) return Failed(read.message);
  PrintSettings(*read.settings);
  return SameAsWritten(*read.settings, wanted) ? kExitOk : kExitMismatch;
}

}  // namespace kaviro::cli
