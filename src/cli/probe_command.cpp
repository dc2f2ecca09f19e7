#include <iostream>

#include "cli/commands.h"
#include "cli/verb_link.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/relay/threshold_probe.h"

namespace kaviro::cli {

namespace {

constexpr const char* kProbeSynopsis =
    "kaviro-cli probe [link options]\n"
    "  The alarm threshold probe (the menu's last, blank item): reads registers 0x2033 and 0x2034 from\n"
    "  the device address over the serial port, as one 16-byte block whatever the work mode, and prints\n"
    "  both values divided by 100 and both 16-byte blocks (发: sent, 收: received).";

const std::string kProbeFooter = Footer(
    "  kaviro-cli probe --com 2\n"
    "  kaviro-cli probe --device /dev/ttyUSB0 --id 1\n");

}  // namespace

int RunProbe(const std::vector<std::string>& args) {
  Verb verb("probe", kProbeSynopsis, kProbeFooter);
  if (const auto done = verb.Parse(args)) return *done;

  AppConfig config = verb.Config();
  config.workMode = static_cast<int>(LinkMode::kSerial);  // the probe uses the port in every work mode
  int status = kExitOk;
  const auto link = VerbLink::Open(verb, config, status);
  if (!link) return status;
  const Result<ProbeAnswer> probe = RunThresholdProbe(link->link(), link->unit());
  std::cout << "发: " << HexBytes(ProbeBlockOf(ProbeRequest(link->unit()))) << '\n';
  if (probe.value)
    std::cout << "收: " << HexBytes(probe.value->received) << '\n'
              << "报警温度小: " << ProbeValueText(probe.value->first) << '\n'
              << "报警温度大: " << ProbeValueText(probe.value->second) << '\n';
  return Finish(probe);
}

}  // namespace kaviro::cli
