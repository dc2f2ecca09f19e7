#pragma once
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>

namespace kaviro {

// The settings record, byte for byte the content of config.txt (integers little-endian).
struct AppConfig {
  int32_t comPort;
  int32_t deviceId;
  int32_t pollInterval;   // seconds
  int32_t language;       // 0 English, 1 Simplified Chinese
  int32_t batteryVoltage; // 0 12V, 1 24V, 2 48V, -1 none checked
  uint32_t controllerIp;  // first octet in the most significant byte
  int32_t workMode;       // LinkMode
  char signature[4];      // '@','A','R','M'

  static AppConfig Defaults();
  bool HasSignature() const;
  bool operator==(const AppConfig&) const = default;
};
static_assert(sizeof(AppConfig) == 32, "config.txt holds exactly this record");

inline constexpr const char* kConfigFileName = "config.txt";

// config.txt in `directory` (the current directory by default).
std::filesystem::path ConfigPath(const std::filesystem::path& directory = std::filesystem::current_path());

// The user's own folder for config.txt, used when the GUI is started from the desktop menu:
// ${XDG_CONFIG_HOME:-$HOME/.config}/kaviro, given those two variables' values (null when unset).
// An empty or relative XDG_CONFIG_HOME counts as unset, as the XDG rule says; with no absolute
// HOME either it is the current directory. The folder and its parents are created when missing;
// when that fails, LoadConfig's defaults-in-memory rule applies.
std::filesystem::path UserConfigDir(const char* xdgConfigHome, const char* home);

// The record config.txt's bytes hold: its first 32 bytes (a shorter file is padded with zeros),
// when they end in the signature.
std::optional<AppConfig> ConfigFromBytes(std::span<const uint8_t> bytes);

// Reads the record; a missing, short or foreign file gets the defaults written over it; a file
// that can be neither opened nor created leaves the defaults in memory. Never fails visibly.
AppConfig LoadConfig(const std::filesystem::path& file);

// Writes the 32 bytes through a temporary file renamed over `file`, so a crash never leaves a
// truncated record. Returns false when the file cannot be written.
bool SaveConfig(const std::filesystem::path& file, const AppConfig& config);

// "%d.%d.%d.%d" of the packed address.
std::string IpText(uint32_t ip);

// The process's settings, shared by the GUI thread (which edits them) and the poll worker.
class SharedConfig {
 public:
  explicit SharedConfig(const AppConfig& initial = AppConfig::Defaults()) : config_(initial) {}
  AppConfig Get() const {
    std::lock_guard lock(mutex_);
    return config_;
  }
  void Set(const AppConfig& config) {
    std::lock_guard lock(mutex_);
    config_ = config;
  }

 private:
  mutable std::mutex mutex_;
  AppConfig config_;
};

}  // namespace kaviro
