#include "cli/options.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <utility>

namespace kaviro::cli {

AppConfig LinkOverrides::ApplyTo(AppConfig c) const {
  if (workMode) c.workMode = *workMode;
  if (comPort) c.comPort = *comPort;
  if (host) c.controllerIp = *host;
  if (deviceId) c.deviceId = *deviceId;
  if (interval) c.pollInterval = *interval;
  if (language) c.language = *language;
  if (battery) c.batteryVoltage = *battery;
  return c;
}

std::string ArgReader::Next() {
  inlineValue_.reset();
  current_ = args_[at_++];
  if (const size_t eq = current_.find('='); current_.rfind("--", 0) == 0 && eq != std::string::npos) {
    inlineValue_ = current_.substr(eq + 1);
    current_.resize(eq);
  }
  return current_;
}

std::optional<std::string> ArgReader::Value() {
  if (inlineValue_) return std::exchange(inlineValue_, std::nullopt);
  if (Done()) {
    Fail(current_ + " needs a value");
    return std::nullopt;
  }
  return args_[at_++];
}

std::optional<int> ArgReader::IntValue(const std::string& name, int lo, int hi) {
  const auto text = Value();
  if (!text) return std::nullopt;
  char* end = nullptr;
  const long v = std::strtol(text->c_str(), &end, 10);
  if (text->empty() || *end != '\0' || v < lo || v > hi) {
    Fail(name + " takes a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
    return std::nullopt;
  }
  return static_cast<int>(v);
}

bool ReadLinkOption(ArgReader& r, const std::string& name, LinkOverrides& o) {
  if (name == "--mode") {
    const auto mode = r.Value();
    if (!mode) return true;
    if (*mode == "serial") o.workMode = 0;
    else if (*mode == "network") o.workMode = 1;
    else if (*mode == "wireless") o.workMode = 2;
    else r.Fail("--mode is serial, network or wireless");
  } else if (name == "--com") {
    o.comPort = r.IntValue(name, 1, 255);
  } else if (name == "--device") {
    o.device = r.Value();
  } else if (name == "--host") {
    const auto text = r.Value();
    in_addr addr{};
    if (text && inet_pton(AF_INET, text->c_str(), &addr) == 1) o.host = ntohl(addr.s_addr);
    else if (text) r.Fail("--host takes a dotted address such as 192.168.1.199");
  } else if (name == "--port") {
    o.port = r.IntValue(name, 1, 65535);
  } else if (name == "--id") {
    o.deviceId = r.IntValue(name, 1, 247);
  } else if (name == "--interval") {
    o.interval = r.IntValue(name, 0, 86400);
  } else if (name == "--language") {
    o.language = r.IntValue(name, 0, 1);
  } else if (name == "--battery") {
    o.battery = r.IntValue(name, 0, 2);
  } else {
    return false;
  }
  return true;
}

const char* const kLinkOptionsHelp =
    "Link options (override config.txt in the current directory for this run; nothing is written back):\n"
    "  --mode serial|network|wireless   work mode\n"
    "  --com N                          COM port number (opens $KAVIRO_COM<N>, else /dev/ttyS<N-1>)\n"
    "  --device PATH                    serial device path, bypassing the COM mapping\n"
    "  --host A.B.C.D                   controller IP address (network mode)\n"
    "  --port N                         TCP port (default $KAVIRO_TCP_PORT, else 502)\n"
    "  --id N                           Modbus device address, 1 to 247\n"
    "  --interval S                     seconds between polls\n"
    "  --language 0|1                   register table: 0 English, 1 Chinese\n"
    "  --battery 0|1|2                  battery system: 12V, 24V, 48V\n";

}  // namespace kaviro::cli
