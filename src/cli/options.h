#pragma once
#include <optional>
#include <string>

#include "config/app_config.h"

namespace kaviro::cli {

// Settings that override config.txt for one run; nothing is written back.
struct LinkOverrides {
  std::optional<int> workMode;
  std::optional<int> comPort;
  std::optional<std::string> device;  // serial device path, bypassing the COM mapping
  std::optional<uint32_t> host;
  std::optional<int> port;
  std::optional<int> deviceId;
  std::optional<int> interval;
  std::optional<int> language;
  std::optional<int> battery;
  std::optional<std::string> capture;  // not a setting: every frame of the run goes to this pcapng file

  AppConfig ApplyTo(AppConfig config) const;
};

}  // namespace kaviro::cli
