#include <algorithm>
#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "link/text_format.h"
#include "tools/console/console_link.h"
#include "tools/console/raw_frame.h"

namespace kaviro::cli {

namespace {

constexpr const char* kSendSynopsis =
    "kaviro-cli send FUNC REG VALUE [--id HEX] [link options]\n"
    "  Sends one frame from the test console's fields: function code (03, 04, 05 or 06, two hex\n"
    "  digits), start register and value or register count (four hex digits each), to the device\n"
    "  address --id. Prints the composed frame, then the answer as received (serial: with its CRC;\n"
    "  network: address and PDU). The answer is not judged.";

const std::string kSendFooter = Footer(
    "  kaviro-cli send 03 0001 0005 --mode serial --com 2\n"
    "  kaviro-cli send 06 E011 0456 --id 0A --mode wireless --device /dev/ttyUSB0\n"
    "  kaviro-cli send 04 0000 005A --mode network --host 192.168.1.199\n");

constexpr const char* kFunctionRefusal = "FUNC: the console sends 03, 04, 05 or 06";

}  // namespace

int RunSend(const std::vector<std::string>& args) {
  Verb verb("send", kSendSynopsis, kSendFooter, IdOption::kHex);
  CLI::App& app = verb.app();
  RawFields fields;
  app.add_option("FUNC", fields.function, "function code, two hex digits")->required();
  app.add_option("REG", fields.start, "start register, four hex digits")->required();
  app.add_option("VALUE", fields.value, "register count or value, four hex digits")->required();
  if (const auto done = verb.Parse(args)) return *done;

  const AppConfig config = verb.Config();
  const std::optional<uint8_t> unit = VerbUnit(verb, config);
  if (!unit) return kExitUsage;
  fields.address = Format("%02X", *unit);
  const Result<ComposedFrame> composed = ComposeRawFrame(fields);
  if (!composed.ok()) return Finish(composed);
  if (std::none_of(std::begin(kRawFunctionCodes), std::end(kRawFunctionCodes),
                   [&](const char* code) { return fields.function == code; }))
    return Finish(ConsoleRefusal(kFunctionRefusal));
  int status = kExitOk;
  const auto link = VerbLink::Open(verb, config, status);
  if (!link) return status;
  std::cout << composed.value->frameText << '\n';
  const Result<std::string> sent = SendRawFrame(link->link(), link->mode(), composed.value->frame);
  if (sent.value) std::cout << *sent.value << '\n';
  return Finish(sent);
}

}  // namespace kaviro::cli
