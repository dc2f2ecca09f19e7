#include "cli/verb.h"

#include <arpa/inet.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/commands.h"
#include "link/text_format.h"
#include "tools/common/address_entry.h"
#include "tools/common/typed_number.h"

namespace kaviro::cli {

namespace {

constexpr const char* kLinkGroup =
    "Link options (override config.txt in the current directory for this run; nothing is written back)";

// The synopsis is the first line of the description, so help opens with it rather than with
// CLI11's own usage line.
class SynopsisFirst final : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App*, std::string) const override { return {}; }
  // The value's name only; exclusions and requirements are said in the descriptions.
  std::string make_option_opts(const CLI::Option* opt) const override {
    return opt->get_type_name().empty() || opt->get_expected_max() == 0 ? std::string() : " " + opt->get_type_name();
  }
  // Sub-verbs are listed by the first line of their synopsis.
  std::string make_subcommand(const CLI::App* sub) const override {
    const std::string& d = sub->get_description();
    std::stringstream out;
    CLI::detail::format_help(out, sub->get_name(), d.substr(0, d.find('\n')), column_width_);
    return out.str();
  }
  // A sub-verb's help also lists the link options of its verb.
  std::string make_footer(const CLI::App* app) const override {
    const CLI::App* parent = app->get_parent();
    if (!parent) return CLI::Formatter::make_footer(app);
    const auto linkOptions = parent->get_options([](const CLI::Option* o) { return o->get_group() == kLinkGroup; });
    return make_group(kLinkGroup, false, linkOptions) + "\n" + CLI::Formatter::make_footer(app);
  }
};

CLI::Validator DottedAddress() {
  return CLI::Validator(
      [](std::string& text) {
        in_addr addr{};
        return inet_pton(AF_INET, text.c_str(), &addr) == 1 ? std::string()
                                                            : std::string("a dotted address such as 192.168.1.199");
      },
      "");
}

// A list option checked by its parser, which says what it wants.
template <typename Parse>
CLI::Validator Listed(Parse parse) {
  return CLI::Validator(
      [parse](std::string& text) {
        std::string error;
        return parse(text, error) ? std::string() : error;
      },
      "");
}

void Describe(CLI::App& app, const std::string& synopsis, const std::string& footer) {
  app.description(synopsis);
  if (!footer.empty()) app.footer(footer);
  app.formatter(std::make_shared<SynopsisFirst>());
  app.get_formatter()->column_width(34);
}

}  // namespace

CLI::Validator OneOf(std::vector<std::string> names, const std::string& message) {
  return CLI::Validator(
      [names = std::move(names), message](std::string& text) {
        for (const std::string& n : names)
          if (text == n) return std::string();
        return message;
      },
      "");
}

CLI::Validator WholeNumber(int lo, int hi) {
  return CLI::Validator(
      [lo, hi](std::string& text) {
        const std::optional<int64_t> v = TypedUnits(text, NumberKind::kWhole);
        if (v && *v >= lo && *v <= hi) return std::string();
        return Format("a whole number from %d to %d", lo, hi);
      },
      "");
}

Verb::Verb(const std::string& name, const std::string& synopsis, const std::string& footer, IdOption id)
    : name_(name), app_(std::make_unique<CLI::App>(synopsis, "kaviro-cli " + name)), id_(id) {
  Describe(*app_, synopsis, footer);
  CLI::App& a = *app_;
  a.add_option("--mode", mode_, "work mode: serial, network or wireless")
      ->type_name("serial|network|wireless")
      ->check(OneOf({"serial", "network", "wireless"}, "serial, network or wireless"))
      ->group(kLinkGroup);
  a.add_option("--com", link.comPort, "COM port number (opens $KAVIRO_COM<N>, else /dev/ttyS<N-1>)")
      ->type_name("N")->check(WholeNumber(1, 255))->group(kLinkGroup);
  a.add_option("--device", link.device, "serial device path, bypassing the COM mapping")
      ->type_name("PATH")->group(kLinkGroup);
  if (id == IdOption::kUnitList)
    a.add_option("--host", host_,
                 "controller IP addresses (network mode), each with an optional :PORT; several are\n"
                 "polled in turn, one connection each")
        ->type_name("A.B.C.D[:PORT],...")->check(Listed(ParseHostList))->group(kLinkGroup);
  else
    a.add_option("--host", host_, "controller IP address (network mode)")
        ->type_name("A.B.C.D")->check(DottedAddress())->group(kLinkGroup);
  a.add_option("--port", link.port, "TCP port (default $KAVIRO_TCP_PORT, else 502)")
      ->type_name("N")->check(WholeNumber(1, 65535))->group(kLinkGroup);
  if (id == IdOption::kDecimal)
    a.add_option("--id", link.deviceId, "Modbus device address, 1 to 247")
        ->type_name("N")->check(WholeNumber(1, 247))->group(kLinkGroup);
  else if (id == IdOption::kHex)
    a.add_option("--id", idText_, "device address as two hex digits (default: the configured device ID)")
        ->type_name("HEX")->group(kLinkGroup);
  else
    a.add_option("--id", idText_,
                 "Modbus device addresses, 1 to 247; several units on one line (or behind each\n"
                 "--host) are polled in turn")
        ->type_name("N[,N...]")->check(Listed(ParseUnitList))->group(kLinkGroup);
  if (id == IdOption::kUnitList)
    a.add_option("--links", linksFile_,
                 "a file of links, one per line: MODE WHERE [UNITS], such as\n"
                 "\"serial /dev/ttyUSB0 1,2,3\" or \"network 192.168.1.199:502 1\"; '#' starts a comment")
        ->type_name("FILE")->check(CLI::ExistingFile)->excludes("--host")->group(kLinkGroup);
  a.add_option("--interval", link.interval, "seconds between polls")
      ->type_name("S")->check(WholeNumber(0, 86400))->group(kLinkGroup);
  a.add_option("--language", link.language, "register table: 0 English, 1 Chinese")
      ->type_name("0|1")->check(WholeNumber(0, 1))->group(kLinkGroup);
  a.add_option("--battery", link.battery, "battery system: 0 12V, 1 24V, 2 48V")
      ->type_name("0|1|2")->check(WholeNumber(0, 2))->group(kLinkGroup);
  a.add_option("--capture", link.capture,
               "write every frame sent and received to FILE (pcapng, for Wireshark; see the README)")
      ->type_name("FILE")->group(kLinkGroup);
}

CLI::App* Verb::Sub(const std::string& name, const std::string& synopsis, const std::string& footer) {
  CLI::App* sub = app_->add_subcommand(name, synopsis);
  Describe(*sub, synopsis, footer.empty() ? app_->get_footer() : footer);
  sub->fallthrough();  // the link options belong to the verb and may follow the sub-verb
  return sub;
}

std::optional<int> Verb::Parse(const std::vector<std::string>& args) {
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
  try {
    app_->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::cout << app_->help();
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    std::cout << app_->help("", CLI::AppFormatMode::All);
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    std::cerr << "kaviro-cli " << name_ << ": " << e.what() << "\n\n" << app_->help();
    return kExitUsage;
  }
  if (mode_) link.workMode = *mode_ == "serial" ? 0 : *mode_ == "network" ? 1 : 2;
  if (id_ == IdOption::kUnitList) {
    std::string unused;
    if (idText_) units_ = *ParseUnitList(*idText_, unused);
    if (host_) hosts_ = *ParseHostList(*host_, unused);
    if (!units_.empty()) link.deviceId = units_.front();
    if (!hosts_.empty()) link.host = hosts_.front().host;
  } else if (host_) {
    in_addr addr{};
    inet_pton(AF_INET, host_->c_str(), &addr);
    link.host = ntohl(addr.s_addr);
  }
  return std::nullopt;
}

std::optional<std::vector<LinkTarget>> Verb::Targets() const {
  if (!linksFile_) return TargetsOf(link, units_, hosts_);
  std::ifstream in(*linksFile_);
  std::string error;
  std::optional<std::vector<LinkTarget>> targets = ParseLinksFile(in, link, error);
  if (!targets) std::cerr << "kaviro-cli " << name_ << ": --links " << *linksFile_ << ": " << error << '\n';
  return targets;
}

AppConfig Verb::Config() const { return ConfigFor(link); }
AppConfig Verb::ConfigFor(const LinkOverrides& overrides) const { return overrides.ApplyTo(LoadConfig(ConfigPath())); }

std::optional<uint8_t> Verb::HexUnit(const AppConfig& config) const {
  std::string message;
  const std::optional<uint8_t> unit = ParseAddressEntry(idText_.value_or(Format("%02X", config.deviceId & 0xFF)), message);
  if (!unit) std::cerr << message << '\n';
  return unit;
}

}  // namespace kaviro::cli
