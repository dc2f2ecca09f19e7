#include <algorithm>
#include <iostream>

#include "cli/commands.h"
#include "cli/console_support.h"
#include "link/text_format.h"
#include "tools/console/raw_frame.h"

namespace kaviro::cli {

namespace {

constexpr const char* kSendSynopsis =
    "kaviro-cli send FUNC REG VALUE [--id HEX] [link options]\n"
    "  Sends one frame from the test console's fields: function code (03, 04, 05 or 06, two hex\n"
    "  digits), start register and value or register count (four hex digits each), to the device\n"
    "  address --id. Prints the composed frame, then the answer as received (serial: with its CRC;\n"
    "  network: address and PDU). The answer is not judged.";

constexpr const char* kSendFooter =
    "Exit status: 0 an answer came, 1 bad usage or a field refused, 2 the link could not be opened\n"
    "             or connected, 3 no answer.\n\n"
    "Examples:\n"
    "  kaviro-cli send 03 0001 0005 --mode serial --com 2\n"
    "  kaviro-cli send 06 E011 0456 --id 0A --mode wireless --device /dev/ttyUSB0\n"
    "  kaviro-cli send 04 0000 005A --mode network --host 192.168.1.199\n";

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

  const std::optional<ConsoleTarget> target = Target(verb);
  if (!target) return kExitUsage;
  fields.address = Format("%02X", target->unit);
  std::string message;
  const std::optional<ComposedFrame> composed = ComposeRawFrame(fields, message);
  if (!composed) return Refused(message);
  if (std::none_of(std::begin(kRawFunctionCodes), std::end(kRawFunctionCodes),
                   [&](const char* code) { return fields.function == code; }))
    return Refused(kFunctionRefusal);

  ConsoleLink link(*target, verb.link);
  if (!link.ok()) return kExitNoLink;
  std::cout << composed->frameText << '\n';
  const RawSend sent = SendRawFrame(link.link(), link.mode(), composed->frame);
  if (!sent.answered) return Failed(sent.message);
  std::cout << sent.answerText << '\n';
  return kExitOk;
}

}  // namespace kaviro::cli
