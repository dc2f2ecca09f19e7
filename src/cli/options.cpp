#include "cli/options.h"

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

}  // namespace kaviro::cli
