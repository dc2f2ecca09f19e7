#include "sim/unit_plan.h"

#include <algorithm>

#include "sim/controller_tables.h"

namespace kaviro::sim {

namespace {

// Faults draw from their own stream so switching one on leaves the device's values alone.
constexpr uint64_t kFaultStream = 0x5EED'FA17ull;
constexpr uint64_t kUnitStream = 0x9E37'79B9'7F4A'7C15ull;

bool Lists(const std::vector<uint8_t>& list, uint8_t unit) {
  return list.empty() || std::find(list.begin(), list.end(), unit) != list.end();
}

// 24051701 at address 1, 24051702 at 2, ...: still eight digits.
std::string SerialAt(uint8_t unit) {
  const std::string factory = ControllerIdentity()[Identity::kObjects - 1];
  return std::to_string(std::stoul(factory) - 1 + unit);
}

}  // namespace

std::vector<UnitPlan> PlanUnits(const SimOptions& o) {
  const std::vector<uint8_t> served = ServedUnits(o);
  std::vector<UnitPlan> plans;
  for (uint8_t unit : served) {
    const bool first = plans.empty();
    const bool faulty = Lists(o.faultUnits, unit);
    UnitPlan p;
    p.controller = {.unit = unit,
                    .seed = first ? o.seed : o.seed + unit * kUnitStream,
                    .logRecords = o.logRecords,
                    .forgetWrites = o.forgetWrites && faulty,
                    .locked = o.locked,
                    .restartMs = o.restartMs};
    if (!o.units.empty()) p.controller.serial = SerialAt(unit);
    if (faulty) p.faults = o.faults;
    p.faultSeed = p.controller.seed ^ kFaultStream;
    p.signalled = Lists(o.signalUnits, unit);
    if (served.size() > 1) p.label = "unit " + std::to_string(unit);
    plans.push_back(std::move(p));
  }
  return plans;
}

Units::Units(std::span<const UnitPlan> plans, const WallClock& clock, const std::atomic<bool>* silence) {
  for (const UnitPlan& plan : plans) {
    controllers_.emplace_back(plan.controller, clock);
    FaultInjector& faults = faults_.emplace_back(plan.faults, plan.faultSeed);
    if (plan.signalled) faults.SilenceWith(silence);
    labels_.push_back(plan.label);
  }
}

std::vector<Station::Unit> Units::OnTheLine() {
  std::vector<Station::Unit> units;
  for (size_t i = 0; i < controllers_.size(); ++i) units.push_back({controllers_[i], faults_[i], labels_[i]});
  return units;
}

}  // namespace kaviro::sim
