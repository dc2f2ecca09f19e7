#include <iostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/open_link.h"
#include "cli/verb.h"
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

constexpr const char* kProbeFooter =
    "Exit status: 0 success, 1 bad usage, 2 the serial port could not be opened,\n"
    "             3 no acceptable answer (silence, not exactly 16 bytes, wrong address or CRC).\n\n"
    "Examples:\n"
    "  kaviro-cli probe --com 2\n"
    "  kaviro-cli probe --device /dev/ttyUSB0 --id 1\n";

}  // namespace

int RunProbe(const std::vector<std::string>& args) {
  Verb verb("probe", kProbeSynopsis, kProbeFooter);
  if (const auto done = verb.Parse(args)) return *done;

  AppConfig config = verb.Config();
  config.workMode = static_cast<int>(LinkMode::kSerial);  // the probe uses the port in every work mode
  LinkService link;
  const std::unique_ptr<OpenedLink> opened = OpenLinkOrSay(link, config, verb.link);
  if (!opened) return kExitNoLink;

  const ProbeResult result = RunThresholdProbe(link, static_cast<uint8_t>(config.deviceId & 0xFF));
  std::cout << "发: " << HexBytes(result.sent) << '\n';
  if (!result.received) {
    std::cerr << text::kCommunicationFailed << '\n';
    return kExitFailed;
  }
  std::cout << "收: " << HexBytes(*result.received) << '\n'
            << "报警温度小: " << ProbeValueText(result.first) << '\n'
            << "报警温度大: " << ProbeValueText(result.second) << '\n';
  return kExitOk;
}

}  // namespace kaviro::cli
