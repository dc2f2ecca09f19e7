#include "cli/link_targets.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <sstream>

namespace kaviro::cli {

namespace {

constexpr int kLowestUnit = 1;
constexpr int kHighestUnit = 247;

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

std::optional<int> WholeIn(const std::string& text, int lo, int hi) {
  int n = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, n);
  if (text.empty() || ec != std::errc() || ptr != end || n < lo || n > hi) return std::nullopt;
  return n;
}

std::optional<HostPort> ParseHostPort(const std::string& text) {
  const size_t colon = text.find(':');
  HostPort hp;
  in_addr addr{};
  if (inet_pton(AF_INET, text.substr(0, colon).c_str(), &addr) != 1) return std::nullopt;
  hp.host = ntohl(addr.s_addr);
  if (colon != std::string::npos) {
    hp.port = WholeIn(text.substr(colon + 1), 1, 65535);
    if (!hp.port) return std::nullopt;
  }
  return hp;
}

struct ModeName {
  const char* name;
  int workMode;
};
constexpr ModeName kModes[] = {{"serial", 0}, {"network", 1}, {"wireless", 2}};

}  // namespace

std::optional<std::vector<uint8_t>> ParseUnitList(const std::string& text, std::string& error) {
  std::vector<uint8_t> units;
  for (const std::string& part : SplitAt(text, ',')) {
    const std::optional<int> n = WholeIn(part, kLowestUnit, kHighestUnit);
    if (!n || std::find(units.begin(), units.end(), *n) != units.end()) {
      error = "a whole number from 1 to 247, or several apart by commas, each once, such as 1,2,3";
      return std::nullopt;
    }
    units.push_back(static_cast<uint8_t>(*n));
  }
  return units;
}

std::optional<std::vector<HostPort>> ParseHostList(const std::string& text, std::string& error) {
  std::vector<HostPort> hosts;
  for (const std::string& part : SplitAt(text, ',')) {
    const std::optional<HostPort> hp = ParseHostPort(part);
    const auto same = [&](const HostPort& h) { return hp && h.host == hp->host && h.port == hp->port; };
    if (!hp || std::any_of(hosts.begin(), hosts.end(), same)) {
      error = "a dotted address such as 192.168.1.199, or several apart by commas, each once and with an optional\n:PORT, such as 192.168.1.199,192.168.1.200:1502";
      return std::nullopt;
    }
    hosts.push_back(*hp);
  }
  return hosts;
}

std::optional<std::vector<LinkTarget>> ParseLinksFile(std::istream& in, const LinkOverrides& base, std::string& error) {
  std::vector<LinkTarget> targets;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string mode, where, units, extra;
    if (!(words >> mode)) continue;
    const auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(number) + ": " + why;
      return std::nullopt;
    };
    words >> where >> units;
    if (words >> extra) return fail("more than MODE WHERE [UNITS]");
    const auto known = std::find_if(std::begin(kModes), std::end(kModes), [&](const ModeName& m) { return mode == m.name; });
    if (known == std::end(kModes)) return fail("the mode is serial, network or wireless, not \"" + mode + "\"");
    if (where.empty()) return fail("no device, COM number or host after the mode");
    LinkTarget target{base, {}};
    target.link.workMode = known->workMode;
    if (known->workMode == 1) {
      const std::optional<HostPort> hp = ParseHostPort(where);
      if (!hp) return fail("a network link is HOST[:PORT] with a dotted address");
      target.link.host = hp->host;
      if (hp->port) target.link.port = hp->port;
    } else if (const std::optional<int> com = WholeIn(where, 1, 255)) {
      target.link.comPort = *com;
      target.link.device.reset();
    } else {
      target.link.device = where;
    }
    if (!units.empty()) {
      std::string why;
      const auto list = ParseUnitList(units, why);
      if (!list) return fail(why);
      target.units = *list;
    }
    targets.push_back(std::move(target));
  }
  if (targets.empty()) {
    error = "no links in it";
    return std::nullopt;
  }
  return targets;
}

std::vector<LinkTarget> TargetsOf(const LinkOverrides& base, const std::vector<uint8_t>& units,
                                  const std::vector<HostPort>& hosts) {
  if (hosts.empty()) return {{base, units}};
  std::vector<LinkTarget> targets;
  for (const HostPort& hp : hosts) {
    LinkTarget t{base, units};
    t.link.host = hp.host;
    if (hp.port) t.link.port = hp.port;
    targets.push_back(std::move(t));
  }
  return targets;
}

}  // namespace kaviro::cli
