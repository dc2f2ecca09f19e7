#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "link/text_format.h"
#include "tools/console/identification.h"

namespace kaviro::cli {

namespace {

constexpr const char* kIdentSynopsis =
    "kaviro-cli ident get|set [--id HEX] [link options]\n"
    "  The controller's five identification objects (function 2B, MEI type 0E), one\n"
    "  name<TAB>value line each. Serial and wireless answers count only when they come from the\n"
    "  device asked (--id).";

constexpr const char* kIdentSetSynopsis =
    "kaviro-cli ident set --serial T [--vendor T] [--product T] [--hw T] [--sw T] [--id HEX] [link options]\n"
    "  Rewrites the objects given (empty or missing ones are not sent): vendor, product code and\n"
    "  the two versions at most 15 bytes, the serial number exactly 8 bytes, counted in GBK (a\n"
    "  Chinese character counts two). Prints the frame, then reads the objects back and prints them.";

const std::string kIdentFooter = Footer(
    "  kaviro-cli ident get --mode serial --com 2\n"
    "  kaviro-cli ident set --vendor KAVIRO --serial 24051701 --mode network --host 192.168.1.199\n");

void Print(const IdentificationTexts& objects) {
  for (size_t i = 0; i < kIdentificationObjects; ++i)
    std::cout << kIdentificationFields[i].name << '\t' << objects[i] << '\n';
}

}  // namespace

int RunIdent(const std::vector<std::string>& args) {
  Verb verb("ident", kIdentSynopsis, kIdentFooter, IdOption::kHex);
  verb.app().require_subcommand(1);
  CLI::App* get = verb.Sub("get", "kaviro-cli ident get [--id HEX] [link options]\n  Reads the five objects.");
  CLI::App* set = verb.Sub("set", kIdentSetSynopsis);
  IdentificationTexts texts;
  const char* const helps[kIdentificationObjects] = {"vendor name", "product code", "hardware version",
                                                     "software version", "serial number (8 bytes)"};
  for (size_t i = 0; i < kIdentificationObjects; ++i)
    set->add_option(std::string("--") + kIdentificationFields[i].name, texts[i], helps[i])->type_name("T");
  if (const auto done = verb.Parse(args)) return *done;

  int status = kExitOk;
  const AppConfig config = verb.Config();
  const std::optional<uint8_t> unit = VerbUnit(verb, config);
  if (!unit) return kExitUsage;
  const Result<RtuFrame> update = BuildIdentificationUpdate(*unit, texts);
  if (set->parsed() && !update.ok()) return Finish(update);
  const auto link = VerbLink::Open(verb, config, status);
  if (!link) return status;
  Result<IdentificationTexts> read;
  if (get->parsed()) {
    const Result<IdentificationAnswer> answer = ReadIdentification(link->link(), link->mode(), link->unit());
    read = answer.As<IdentificationTexts>();
    if (answer.value) read.value = answer.value->objects;
  } else {
    std::cout << HexBytes(update.value->Bytes()) << '\n';
    read = SetIdentificationVerified(link->link(), link->mode(), link->unit(), *update.value, texts);
  }
  if (read.value) Print(*read.value);
  return Finish(read);
}

}  // namespace kaviro::cli
