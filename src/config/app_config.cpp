#include "config/app_config.h"

#include "config/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace kaviro {

namespace {

constexpr char kSignature[4] = {'@', 'A', 'R', 'M'};

bool WriteAll(int fd, const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

AppConfig AppConfig::Defaults() {
  AppConfig c{};
  c.comPort = 2;
  c.deviceId = 1;
  c.pollInterval = 3;
  c.language = 1;
  c.batteryVoltage = 0;
  c.controllerIp = 0xC0A801C7;  // 192.168.1.199
  c.workMode = 0;
  std::memcpy(c.signature, kSignature, sizeof kSignature);
  return c;
}

bool AppConfig::HasSignature() const { return std::memcmp(signature, kSignature, sizeof kSignature) == 0; }

std::filesystem::path ConfigPath(const std::filesystem::path& directory) { return directory / kConfigFileName; }

std::filesystem::path UserConfigDir(const char* xdgConfigHome, const char* home) {
  namespace fs = std::filesystem;
  const fs::path xdg = xdgConfigHome ? xdgConfigHome : "";
  const fs::path homeDir = home ? home : "";
  if (!xdg.is_absolute() && !homeDir.is_absolute()) return fs::current_path();
  const fs::path dir = (xdg.is_absolute() ? xdg : homeDir / ".config") / "kaviro";
  std::error_code ignored;
  fs::create_directories(dir, ignored);
  return dir;
}

std::optional<AppConfig> ConfigFromBytes(std::span<const uint8_t> bytes) {
  AppConfig config{};
  if (!bytes.empty()) std::memcpy(&config, bytes.data(), std::min(bytes.size(), sizeof config));
  if (!config.HasSignature()) return std::nullopt;
  return config;
}

AppConfig LoadConfig(const std::filesystem::path& file) {
  // Open without truncating, else create; a directory or an unreadable file fails both.
  int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return AppConfig::Defaults();

  std::array<uint8_t, sizeof(AppConfig)> bytes{};
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  const std::optional<AppConfig> stored = ConfigFromBytes(std::span(bytes).first(got));
  const AppConfig config = stored.value_or(AppConfig::Defaults());
  // Nothing worth keeping is in a foreign or short file: the defaults go over it in place.
  if (!stored && ::lseek(fd, 0, SEEK_SET) == 0) WriteAll(fd, &config, sizeof config);
  ::close(fd);
  return config;
}

bool SaveConfig(const std::filesystem::path& file, const AppConfig& config) {
  return WriteFileAtomically(file, std::string_view(reinterpret_cast<const char*>(&config), sizeof config));
}

std::string IpText(uint32_t ip) {
  return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." + std::to_string((ip >> 8) & 0xFF) +
         "." + std::to_string(ip & 0xFF);
}

}  // namespace kaviro
