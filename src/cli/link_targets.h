#pragma once
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"

namespace kaviro::cli {

// One link of a polling verb (a serial or wireless line, or a network controller) and the unit
// addresses polled on it in turn. What a target leaves open comes from the link options and
// config.txt.
struct LinkTarget {
  LinkOverrides link;
  std::vector<uint8_t> units;  // empty: the configured device address
};

struct HostPort {
  uint32_t host = 0;
  std::optional<int> port;
};

// "1,2,3": device addresses 1 to 247, each once.
std::optional<std::vector<uint8_t>> ParseUnitList(const std::string& text, std::string& error);
// "A.B.C.D[:PORT],...": controllers, each once.
std::optional<std::vector<HostPort>> ParseHostList(const std::string& text, std::string& error);

// A links file: one link per line, "MODE WHERE [UNITS]" — serial or wireless with a device path or
// a COM number, network with HOST[:PORT]; UNITS as for --id. Blank lines and '#' comments are
// skipped. Each link starts from `base` (the link options). The error names the line.
std::optional<std::vector<LinkTarget>> ParseLinksFile(std::istream& in, const LinkOverrides& base, std::string& error);

// The targets of the link options: the links file's, else one per --host (each with every --id),
// else one line with every --id.
std::vector<LinkTarget> TargetsOf(const LinkOverrides& base, const std::vector<uint8_t>& units,
                                  const std::vector<HostPort>& hosts);

}  // namespace kaviro::cli
