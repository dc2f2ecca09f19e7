#pragma once
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/link_targets.h"
#include "cli/options.h"

namespace kaviro::cli {

// How a verb takes the device address with --id: the link's decimal address, the two hex digits
// of the dialogs' address lists, or (polling verbs) a list of decimal addresses polled in turn,
// with --host a list of controllers and --links a file of links.
enum class IdOption { kDecimal, kHex, kUnitList };

// One kaviro-cli verb: a CLI11 command whose help opens with the verb's synopsis, lists its own
// options and the shared link options, and ends with `footer` (exit statuses, examples).
class Verb {
 public:
  Verb(const std::string& name, const std::string& synopsis, const std::string& footer,
       IdOption id = IdOption::kDecimal);

  CLI::App& app() { return *app_; }
  // A sub-verb ("param get"); the link options may come after it too. Without a footer of its
  // own it shows the verb's.
  CLI::App* Sub(const std::string& name, const std::string& synopsis, const std::string& footer = {});

  // Parses `args`. An exit status when the command ends here: help on stdout (0), or bad usage
  // explained on stderr with the help (1). Nothing when it goes on.
  std::optional<int> Parse(const std::vector<std::string>& args);

  // The config.txt of the current directory with the link options applied.
  AppConfig Config() const;
  AppConfig ConfigFor(const LinkOverrides& overrides) const;
  // The --id of a hex verb as a unit address, else the configured device address; on bad input the
  // dialogs' message goes to stderr and nothing comes back.
  std::optional<uint8_t> HexUnit(const AppConfig& config) const;
  bool IsHexId() const { return id_ == IdOption::kHex; }
  // A polling verb's links: from --links, else from --host and --id. Nothing when the links file
  // does not read (why is on stderr).
  std::optional<std::vector<LinkTarget>> Targets() const;

  LinkOverrides link;

 private:
  std::string name_;
  std::unique_ptr<CLI::App> app_;
  IdOption id_;
  std::optional<std::string> mode_, host_, idText_, linksFile_;
  std::vector<uint8_t> units_;
  std::vector<HostPort> hosts_;
};

// Checks that say what they want ("--com: a whole number from 1 to 255").
CLI::Validator WholeNumber(int lo, int hi);
CLI::Validator OneOf(std::vector<std::string> names, const std::string& message);

}  // namespace kaviro::cli
