#include <functional>
#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "res/relay_dialog_ids.h"
#include "tools/common/address_entry.h"
#include "tools/controller/param_settings.h"
#include "tools/relay/rd_buttons.h"
#include "tools/relay/rd_command.h"

namespace kaviro::cli {

namespace {

constexpr const char* kRdSynopsis =
    "kaviro-cli rd <command> [--unit HEX] [link options]\n"
    "  The RD relay accessory's settings, as the RD settings dialog has them. "
    "The RD is reached\n"
    "  through the controller's network side only, and only while the "
    "controller's \"485连接RD设置\"\n"
    "  (register 0x0041) is 0: it is read first, and the command refuses "
    "otherwise. Each command\n"
    "  prints the RD's answer as the dialog decodes it, then the decoded "
    "fields; a setting is read\n"
    "  back from the RD afterwards.";

const std::string kRdFooter = Footer(
    "  kaviro-cli rd info --mode network --host 192.168.1.199\n"
    "  kaviro-cli rd mode passive --mode network\n"
    "  kaviro-cli rd relay 2 off --mode network\n"
    "  kaviro-cli rd range 1 12 1.5 --mode network\n"
    "  kaviro-cli rd battery 2 --modbus-id 05 --unit 36 --mode network  "
    " (new ModbusID 05)\n");

constexpr uint16_t kRdLinkRegister = 0x0041;
constexpr const char* kWarningNames[] = {"alarm voltage", "warning voltage"};

// The dialog's own check of a range or warning edit, so the command line
// refuses what the dialog does.
CLI::Validator Threshold(std::optional<uint16_t> (*check)(std::string_view), const char* what) {
  return CLI::Validator([check, what](std::string& text) { return check(text) ? std::string() : std::string(what); },
                        "");
}
std::optional<uint16_t> OffsetWord(std::string_view text) { return RdRangeWord("0", text); }

const char* OnOff(bool on) { return on ? "on" : "off"; }

void PrintInfo(const RdInfo& info) {
  for (size_t k = 0; k < info.relays.size(); ++k)
    std::cout << "relay " << k + 1 << ": " << OnOff(info.relays[k]) << '\n';
  std::cout << "mode: " << (info.runMode ? "passive" : "active") << '\n'
            << "buzzer: " << (info.buzzerMode ? "disabled" : "enabled") << '\n'
            << "buzzer sound: " << OnOff(info.buzzerState) << '\n'
            << "battery voltage: " << info.batteryText << "V\n"
            << "ModbusID: " << Format("%02X", info.modbusId) << '\n'
            << "battery count: " << RdBatteryText(info.batteryCode) << "(code " << int(info.batteryCode) << ")\n";
}

void PrintDecoded(const RdDecoded& d) {
  if (!d.text.empty()) std::cout << d.text << '\n';
  if (d.wirelessAddress) {
    std::string digits;
    for (uint8_t b : *d.wirelessAddress) digits += Format("%02X", b);
    std::cout << "wireless address: " << digits << '\n'
              << "unit: " << Format("%02X", d.wirelessAddress->back()) << '\n';
  }
  if (d.identity) {
    static constexpr const char* kNames[] = {"VendorName", "Product Code", "硬件版本号", "软件版本号", "设备序列号"};
    for (size_t k = 0; k < d.identity->size(); ++k) std::cout << kNames[k] << ": " << (*d.identity)[k] << '\n';
  }
  if (d.range)
    std::cout << "relay " << d.range->relay + 1 << " action voltage: " << d.range->action << " V\n"
              << "relay " << d.range->relay + 1 << " restore offset: " << d.range->offset << " V\n";
  if (d.warning) std::cout << kWarningNames[d.warning->index] << ": " << d.warning->volts << " V\n";
  if (d.info) PrintInfo(*d.info);
}

// The RD as the command line drives it: the dialog's handlers with the command
// line's inputs.
struct RdTarget {
  LinkService& link;
  std::optional<uint8_t> unit;  // --unit in place of the handlers' device
  RdDeviceChoice choice;
  RdInputs inputs;
  RelayMemory memory;
};

// A read: the answer's texts and fields on stdout.
int Read(RdTarget& rd, int id) {
  const Result<RdAnswer> read = PressRdButton(rd.link, *FindRdButton(id), rd.choice, rd.inputs, rd.memory, rd.unit);
  if (read.value) PrintDecoded(read.value->decoded);
  return Finish(read);
}

// A setting: its answer, then "read back:" and what the read brought.
int Set(RdTarget& rd, int id, int readId, std::function<bool(const RdAnswer&)> same, std::string written) {
  const Result<RdSetting> set =
      SetRdVerified(rd.link, *FindRdButton(id), {FindRdButton(readId), std::move(same), std::move(written)}, rd.choice,
                    rd.inputs, rd.memory, rd.unit);
  if (set.value) {
    PrintDecoded(set.value->set.decoded);
    if (set.value->readBack) {
      std::cout << "read back:\n";
      PrintDecoded(set.value->readBack->decoded);
    }
  }
  return Finish(set);
}

// A factory reset: confirmed by its echo, nothing to read back.
int Reset(RdTarget& rd) {
  Result<RdAnswer> r =
      PressRdButton(rd.link, *FindRdButton(relay_ids::kFactoryReset), rd.choice, rd.inputs, rd.memory, rd.unit);
  if (r.value) PrintDecoded(r.value->decoded);
  if (r.ok() && !r.value->Echoes()) r = Fail<RdAnswer>(Status::kNotConfirmed, {text::kSetFailed});
  return Finish(r);
}

const RdInfo& Info(const RdAnswer& answer) { return *answer.decoded.info; }

std::optional<uint8_t> HexOption(const std::optional<std::string>& text) {
  std::string message;
  const std::optional<uint8_t> value = ParseAddressEntry(*text, message);
  if (!value) std::cerr << message << '\n';
  if (value && (*value < 1 || *value > 247)) {
    std::cerr << "kaviro-cli rd: " << *text << ": an address from 01 to F7\n";
    return std::nullopt;
  }
  return value;
}

// The controller's say on the RD: its 0x0041 must read 0 ("连接").
int CheckRdConnected(LinkService& link, uint8_t controller) {
  DecodedValues values{};
  const Result<ParamValue> read =
      ReadParamRow(link, LinkMode::kNetwork, controller, *FindParamRow(kRdLinkRegister), values);
  if (!read.ok()) return Finish(read);
  if (values.rdLinkSetting != 0) {
    std::cerr << "kaviro-cli rd: the controller's 485连接RD设置 (0x0041) is " << values.rdLinkSetting
              << " (不连接): the RD can be reached only when it is 0 (连接)\n";
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace

// The verb's options and sub-verbs, as parsed.
struct RdArgs {
  std::optional<std::string> unitText, modbusIdText;
  int relayNumber = 0, rangeRelay = 0, warnIndex = 0;
  std::string onOff, modeName, buzzerName, cells;
  std::optional<std::string> actionVolts, offsetVolts, warnVolts;
  CLI::App *address, *info, *ident, *relay, *mode, *buzzer, *battery, *range, *warn, *reset;
};

void DefineRdVerb(Verb& verb, RdArgs& a) {
  CLI::App& app = verb.app();
  app.add_option("--unit", a.unitText,
                 "the RD's unit address as two hex digits\n(default: the "
                 "--modbus-id when given, else 36)")
      ->type_name("HEX");
  app.require_subcommand(1, 1);

  a.address = verb.Sub("address", "rd address: reads the RD's wireless address (0x1000)");
  a.info = verb.Sub("info",
                    "rd info: reads the RD information block (0x0020)\n"
                    "  Relays, run mode, buzzer mode and sound, "
                    "battery voltage, ModbusID, battery count.");
  a.ident = verb.Sub("ident",
                     "rd ident: reads the RD's device information\n"
                     "  Vendor, product code, hardware and software version, serial number.");
  a.relay = verb.Sub("relay", "rd relay 1|2|3 on|off: switches a relay (in passive mode)");
  a.relay->add_option("RELAY", a.relayNumber, "1, 2 or 3")->type_name("")->required()->check(WholeNumber(1, 3));
  a.relay->add_option("STATE", a.onOff, "on or off")
      ->type_name("")
      ->required()
      ->check(OneOf({"on", "off"}, "on or off"));
  a.mode = verb.Sub("mode",
                    "rd mode active|passive: the RD's run mode\n"
                    "  Active: the battery voltage switches the "
                    "relays; passive: they are switched by hand.");
  a.mode->add_option("MODE", a.modeName, "active or passive")
      ->type_name("")
      ->required()
      ->check(OneOf({"active", "passive"}, "active or passive"));
  a.buzzer = verb.Sub("buzzer", "rd buzzer enable|disable|on|off: the buzzer's mode, or its sound");
  a.buzzer->add_option("BUZZER", a.buzzerName, "enable, disable, on or off")
      ->type_name("")
      ->required()
      ->check(OneOf({"enable", "disable", "on", "off"}, "enable, disable, on or off"));
  a.battery = verb.Sub("battery",
                       "rd battery 1|2|4 [--modbus-id HEX]: the battery count\n"
                       "  1节12V, 2节24V or 4节48V; with --modbus-id the RD "
                       "takes a new ModbusID too.");
  a.battery->add_option("CELLS", a.cells, "1, 2 or 4")
      ->type_name("")
      ->required()
      ->check(OneOf({"1", "2", "4"}, "1, 2 or 4"));
  a.battery
      ->add_option("--modbus-id", a.modbusIdText,
                   "the RD's new Modbus address, 01 to F7\n"
                   "(the request goes there unless --unit names the present one)")
      ->type_name("HEX");
  a.range = verb.Sub("range",
                     "rd range 1|2|3 [ACTION_V OFFSET_V]: a relay's range\n"
                     "  The relay acts at ACTION_V and restores at ACTION_V + OFFSET_V.\n"
                     "  Without values: read it.");
  a.range->add_option("RELAY", a.rangeRelay, "1, 2 or 3")->type_name("")->required()->check(WholeNumber(1, 3));
  a.range->add_option("ACTION_V", a.actionVolts, "whole volts, 0 to 255")->type_name("")->check(WholeNumber(0, 255));
  a.range->add_option("OFFSET_V", a.offsetVolts, "volts in tenths, 0 to 25.5")
      ->type_name("")
      ->check(Threshold(OffsetWord, "a number from 0 to 25.5"));
  a.warn = verb.Sub("warn",
                    "rd warn 1|2 [VOLTS]: the alarm (1) or warning (2) "
                    "voltage\n  Without a value: read it.");
  a.warn->add_option("WHICH", a.warnIndex, "1 or 2")->type_name("")->required()->check(WholeNumber(1, 2));
  a.warn->add_option("VOLTS", a.warnVolts, "volts in thousandths, 0 to 65.535")
      ->type_name("")
      ->check(Threshold(RdWarningWord, "a number from 0 to 65.535"));
  a.reset = verb.Sub("factory-reset", "rd factory-reset: restores the RD's factory settings");
  a.range->callback([&a] {
    if (a.actionVolts.has_value() != a.offsetVolts.has_value())
      throw CLI::ValidationError("give both ACTION_V and OFFSET_V");
  });
}

// The sub-verb that was given, on the RD.
int RunSubVerb(RdTarget& rd, const RdArgs& a, std::optional<uint8_t> modbusId) {
  const int batteryIndex = rd.inputs.batteryIndex;
  if (a.address->parsed()) return Read(rd, relay_ids::kReadAddress);
  if (a.info->parsed()) return Read(rd, relay_ids::kReadInformation);
  if (a.ident->parsed()) return Read(rd, relay_ids::kReadIdentification);
  if (a.reset->parsed()) return Reset(rd);
  if (a.relay->parsed()) {
    const size_t k = static_cast<size_t>(a.relayNumber - 1);
    const bool on = a.onOff == "on";
    return Set(
        rd, on ? relay_ids::kRelayOnButtons[k] : relay_ids::kRelayOffButtons[k], relay_ids::kReadInformation,
        [=](const RdAnswer& r) { return Info(r).relays[k] == on; },
        Format("relay %d %s", a.relayNumber, a.onOff.c_str()));
  }
  if (a.mode->parsed()) {
    const bool passive = a.modeName == "passive";
    return Set(
        rd, passive ? relay_ids::kPassiveMode : relay_ids::kActiveMode, relay_ids::kReadInformation,
        [=](const RdAnswer& r) { return (Info(r).runMode != 0) == passive; }, "mode " + a.modeName);
  }
  if (a.buzzer->parsed()) {
    const bool modeChange = a.buzzerName == "enable" || a.buzzerName == "disable";
    const int id = a.buzzerName == "enable"    ? relay_ids::kBuzzerEnabled
                   : a.buzzerName == "disable" ? relay_ids::kBuzzerDisabled
                   : a.buzzerName == "on"      ? relay_ids::kBuzzerSounding
                                               : relay_ids::kBuzzerQuiet;
    const bool yes = a.buzzerName == "disable" || a.buzzerName == "on";
    return Set(
        rd, id, relay_ids::kReadInformation,
        [=](const RdAnswer& r) { return ((modeChange ? Info(r).buzzerMode : Info(r).buzzerState) != 0) == yes; },
        "buzzer " + a.buzzerName);
  }
  if (a.battery->parsed())
    return Set(
        rd, relay_ids::kBatteryCount, relay_ids::kReadInformation,
        [=](const RdAnswer& r) {
          return Info(r).batteryCode == batteryIndex + 1 && (!modbusId || Info(r).modbusId == *modbusId);
        },
        "battery " + a.cells + (modbusId ? ", ModbusID " + rd.choice.modbusIdText : ""));
  if (a.range->parsed()) {
    const size_t k = static_cast<size_t>(a.rangeRelay - 1);
    if (!a.actionVolts) return Read(rd, relay_ids::kRangeReadButtons[k]);
    const uint16_t word = RdRangeWord(*a.actionVolts, *a.offsetVolts).value_or(0);
    return Set(
        rd, relay_ids::kRangeSetButtons[k], relay_ids::kRangeReadButtons[k],
        [=](const RdAnswer& r) { return RdRegisterWord(r) == word; },
        Format("range %04X", word));
  }
  if (a.warn->parsed()) {
    const size_t k = static_cast<size_t>(a.warnIndex - 1);
    if (!a.warnVolts) return Read(rd, relay_ids::kWarningReadButtons[k]);
    const uint16_t word = RdWarningWord(*a.warnVolts).value_or(0);
    return Set(
        rd, relay_ids::kWarningSetButtons[k], relay_ids::kWarningReadButtons[k],
        [=](const RdAnswer& r) { return RdRegisterWord(r) == word; },
        Format("%s %.3f V", kWarningNames[k], word * 0.001));
  }
  return kExitUsage;
}

int RunRd(const std::vector<std::string>& args) {
  Verb verb("rd", kRdSynopsis, kRdFooter);
  RdArgs a;
  DefineRdVerb(verb, a);
  if (const auto done = verb.Parse(args)) return *done;

  const AppConfig config = verb.Config();
  if (LinkModeOf(config.workMode) != LinkMode::kNetwork) {
    std::cerr << "kaviro-cli rd: the RD is reached over the network link only "
                 "(--mode network)\n";
    return kExitUsage;
  }
  std::optional<uint8_t> unit, modbusId;
  if (a.unitText && !(unit = HexOption(a.unitText))) return kExitUsage;
  if (a.modbusIdText && !(modbusId = HexOption(a.modbusIdText))) return kExitUsage;

  RdDeviceChoice choice;
  RdInputs inputs;
  if (modbusId) {
    choice.modbusIdText = Format("%02X", *modbusId);
    inputs.modbusIdIndex = *modbusId - 1;
  }
  inputs.batteryIndex = a.cells == "1" ? 0 : a.cells == "2" ? 1 : 2;
  if (a.range->parsed() && a.actionVolts)
    inputs.ranges[static_cast<size_t>(a.rangeRelay - 1)] = {*a.actionVolts, *a.offsetVolts};
  if (a.warn->parsed() && a.warnVolts) inputs.warnings[static_cast<size_t>(a.warnIndex - 1)] = *a.warnVolts;

  int status = kExitOk;
  const auto link = VerbLink::Open(verb, config, status);
  if (!link) return status;
  if (const int refused = CheckRdConnected(link->link(), link->unit())) return refused;

  RdTarget rd{link->link(), unit, choice, inputs, {}};
  return RunSubVerb(rd, a, modbusId);
}

}  // namespace kaviro::cli
