#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "sim/controller.h"
#include "sim/fault_injector.h"
#include "sim/sim_options.h"
#include "sim/station.h"

namespace kaviro::sim {

// One controller of the simulator as the command line makes it.
struct UnitPlan {
  ControllerSettings controller;
  FaultSettings faults;  // none for a unit that --fault-units leaves out
  uint64_t faultSeed = 0;
  bool signalled = true;  // SIGUSR1 silences it
  std::string label;      // how the traffic log names it; empty for a lone controller
};

// In the order of --units. The first unit is the controller a lone one would be (seeds, serial
// number at address 1); the others draw their seeds from their address, so that values, logs and
// faults differ from unit to unit and stay the same from run to run.
std::vector<UnitPlan> PlanUnits(const SimOptions& options);

// The controllers and fault injectors the plans make, kept in place for the station's references.
// Units that SIGUSR1 silences watch `silence`.
class Units {
 public:
  Units(std::span<const UnitPlan> plans, const WallClock& clock, const std::atomic<bool>* silence);
  Units(const Units&) = delete;
  Units& operator=(const Units&) = delete;

  std::vector<Station::Unit> OnTheLine();
  Controller& controller(size_t index) { return controllers_[index]; }
  FaultInjector& faults(size_t index) { return faults_[index]; }

 private:
  std::deque<Controller> controllers_;
  std::deque<FaultInjector> faults_;
  std::vector<std::string> labels_;
};

}  // namespace kaviro::sim
