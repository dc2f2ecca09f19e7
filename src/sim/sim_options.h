#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/fault_injector.h"

namespace kaviro::sim {

struct SimOptions {
  std::optional<std::string> ptyPath;
  std::optional<int> tcpPort;  // neither transport named: TCP on kDefaultTcpPort
  std::string bind = "127.0.0.1";
  bool wireless = false;
  int unit = 1;
  std::vector<uint8_t> units;        // --units: several controllers; empty: the one at `unit`
  std::vector<uint8_t> faultUnits;   // the units the faults apply to; empty: every unit
  std::vector<uint8_t> signalUnits;  // the units SIGUSR1 silences; empty: every unit
  int logRecords = 30;
  bool forgetWrites = false;
  bool locked = false;
  int restartMs = 0;
  FaultSettings faults;
  int closeAfter = 0;
  bool pace = false;
  uint64_t seed = 1;
  bool verbose = false;
  bool help = false;
};

inline constexpr int kDefaultTcpPort = 1502;

// The addresses of the controllers served: those of --units, else the one of --id.
std::vector<uint8_t> ServedUnits(const SimOptions& options);

struct ParsedOptions {
  SimOptions options;
  std::string error;  // empty when the command line is good
};

// Options as "--name value" or "--name=value"; a later value of an option overrides an earlier one.
ParsedOptions ParseSimOptions(std::span<const std::string> args);

std::string SimUsage();

}  // namespace kaviro::sim
