// Whatever config.txt holds: loaded, then used the way start-up uses it.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/app_config.h"
#include "link/link_mode.h"
#include "monitor/register_tables.h"
#include "monitor/status_line.h"

using namespace kaviro;

namespace {

// One scratch directory for the whole run, removed when the run ends.
struct ScratchDir {
  ScratchDir() {
    std::string dir = (std::filesystem::temp_directory_path() / "kaviro-fuzz-config-XXXXXX").string();
    if (!::mkdtemp(dir.data())) std::abort();
    path = dir;
  }
  ~ScratchDir() { std::filesystem::remove_all(path); }
  std::filesystem::path path;
};

const std::filesystem::path& ScratchFile() {
  static const ScratchDir dir;
  static const std::filesystem::path file = dir.path / kConfigFileName;
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::filesystem::path& file = ScratchFile();
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const AppConfig c = LoadConfig(file);
  IpText(c.controllerIp);
  LinkModeOf(c.workMode);
  RegisterTableFor(c.language);
  StatusLine({.batteryVoltage = c.batteryVoltage, .workMode = c.workMode, .comPort = c.comPort,
              .deviceId = c.deviceId, .pollInterval = c.pollInterval, .language = c.language});
  NetworkStatusLine(IpText(c.controllerIp), 502, c.deviceId, c.pollInterval, c.language);
  return 0;
}
