// Whatever config.txt holds: read as start-up reads it, then used the way start-up uses it.
#include <cstdint>
#include <span>

#include "config/app_config.h"
#include "link/link_mode.h"
#include "monitor/register_tables.h"
#include "monitor/status_line.h"

using namespace kaviro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const AppConfig c = ConfigFromBytes(std::span(data, size)).value_or(AppConfig::Defaults());
  IpText(c.controllerIp);
  LinkModeOf(c.workMode);
  RegisterTableFor(c.language);
  StatusLine({.batteryVoltage = c.batteryVoltage, .workMode = c.workMode, .comPort = c.comPort,
              .deviceId = c.deviceId, .pollInterval = c.pollInterval, .language = c.language});
  NetworkStatusLine(IpText(c.controllerIp), 502, c.deviceId, c.pollInterval, c.language);
  return 0;
}
