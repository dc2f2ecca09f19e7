#include <iostream>

#include "cli/commands.h"
#include "cli/console_support.h"
#include "link/text_format.h"
#include "tools/console/identification.h"

namespace kaviro::cli {

namespace {

constexpr const char* kIdentSynopsis =
    "kaviro-cli ident get|set [--id HEX] [link options]\n"
    "  The controller's five identification objects (function 2B, MEI type 0E), one\n"
    "  name<TAB>value line each. Serial and wireless answers count only when they come from the\n"
    "  configured device address, as in the test console.";

constexpr const char* kIdentSetSynopsis =
    "kaviro-cli ident set --serial T [--vendor T] [--product T] [--hw T] [--sw T] [--id HEX] [link options]\n"
    "  Rewrites the objects given (empty or missing ones are not sent): vendor, product code and\n"
    "  the two versions at most 15 bytes, the serial number exactly 8 bytes, counted in GBK (a\n"
    "  Chinese character counts two). Prints the frame, then reads the objects back and prints them.";

constexpr const char* kIdentFooter =
    "Exit status: 0 success, 1 bad usage or input refused, 2 the link could not be opened or connected,\n"
    "             3 no answer or the answer refused, 4 the objects read back differ from those written.\n\n"
    "Examples:\n"
    "  kaviro-cli ident get --mode serial --com 2\n"
    "  kaviro-cli ident set --vendor KAVIRO --serial 24051701 --mode network --host 192.168.1.199\n";

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

  const std::optional<ConsoleTarget> target = Target(verb);
  if (!target) return kExitUsage;
  std::optional<RtuFrame> update;
  if (set->parsed()) {
    const ConsoleWrite w = BuildIdentificationUpdate(target->unit, texts);
    if (!w.frame) return Refused(w.refusal.text);
    update = w.frame;
  }

  ConsoleLink link(*target, verb.link);
  if (!link.ok()) return kExitNoLink;
  if (get->parsed()) {
    const IdentificationRead read = ReadIdentification(link.link(), link.mode(), target->unit);
    if (!read.answer || !read.answer->objects) return Failed(read.message);
    Print(*read.answer->objects);
    return kExitOk;
  }

  std::cout << HexBytes(update->Bytes()) << '\n';
  if (const auto failed = SendFailed(SendWithoutReply(link.link(), link.mode(), *update))) return *failed;
  link.Settle();
  const IdentificationRead read = ReadIdentification(link.link(), link.mode(), target->unit);
  if (!read.answer || !read.answer->objects) return Failed(read.message);
  Print(*read.answer->objects);
  for (size_t i = 0; i < kIdentificationObjects; ++i)
    if (!texts[i].empty() && texts[i] != (*read.answer->objects)[i]) return kExitMismatch;
  return kExitOk;
}

}  // namespace kaviro::cli
