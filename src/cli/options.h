#pragma once
#include <optional>
#include <string>
#include <vector>

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

  AppConfig ApplyTo(AppConfig config) const;
};

// Walks `--name value` and `--name=value` arguments.
class ArgReader {
 public:
  explicit ArgReader(std::vector<std::string> args) : args_(std::move(args)) {}
  bool Done() const { return at_ >= args_.size(); }
  // The next option's name ("--once"), or the bare argument.
  std::string Next();
  // The value of the option just read; an error when there is none.
  std::optional<std::string> Value();
  const std::string& error() const { return error_; }
  void Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
  }
  // Reads the value of `name` as an integer within [lo, hi].
  std::optional<int> IntValue(const std::string& name, int lo, int hi);

 private:
  std::vector<std::string> args_;
  size_t at_ = 0;
  std::optional<std::string> inlineValue_;
  std::string current_;
  std::string error_;
};

// Reads one of the link options into `o`; false when `name` is not one of them.
bool ReadLinkOption(ArgReader& reader, const std::string& name, LinkOverrides& o);

// The link options as --help shows them.
extern const char* const kLinkOptionsHelp;

}  // namespace kaviro::cli
