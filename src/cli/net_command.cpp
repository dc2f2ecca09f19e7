#include <arpa/inet.h>

#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
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

const std::string kNetFooter = Footer(
    "  kaviro-cli net get --mode serial --com 2\n"
    "  kaviro-cli net set-mac 024b56520001 --mode serial --com 2\n"
    "  kaviro-cli net set --static --listen-port 502 --ip 192.168.1.100 --mask 255.255.255.0 \\\n"
    "                     --gateway 192.168.1.1 --mode wireless --device /dev/ttyUSB0\n");

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

  const AppConfig config = verb.Config();
  const std::optional<uint8_t> unit = VerbUnit(verb, config);
  if (!unit) return kExitUsage;
  const NetworkSettings wanted{static_cast<uint16_t>(isStatic ? 1 : 0), port, *Dotted(ip), *Dotted(mask), *Dotted(gateway)};
  const Result<RtuFrame> write = setMac->parsed() ? BuildMacWrite(*unit, mac) : BuildNetworkWrite(*unit, wanted);
  if (!get->parsed() && !write.ok()) return Finish(write);
  int status = kExitOk;
  const auto link = VerbLink::Open(verb, config, status);
  if (!link) return status;
  LinkService& l = link->link();
  if (!get->parsed()) std::cout << HexBytes(write.value->Bytes()) << '\n';
  if (setMac->parsed() || get->parsed()) {
    const Result<std::string> readMac = get->parsed() ? ReadMac(l, link->mode(), link->unit())
                                                      : SetMacVerified(l, link->mode(), link->unit(), *write.value, mac);
    if (readMac.value) std::cout << "mac\t" << *readMac.value << '\n';
    if (setMac->parsed() || !readMac.ok()) return Finish(readMac);
  }
  const Result<NetworkSettings> read = get->parsed() ? ReadNetworkSettings(l, link->mode(), link->unit())
                                                     : SetNetworkVerified(l, link->mode(), link->unit(), *write.value, wanted);
  if (read.value) PrintSettings(*read.value);
  return Finish(read);
}

}  // namespace kaviro::cli
