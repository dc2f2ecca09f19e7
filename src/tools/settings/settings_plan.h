#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/settings/snapshot.h"

namespace kaviro {

struct ApplyOptions {
  std::vector<std::string> only = {};  // empty: every setting
  bool includeLink = false;            // the Modbus address, the Ethernet settings, the radio addresses
  bool includeIdentity = false;        // the MAC and identification objects, for the same serial number only
  bool dryRun = false;
};

struct PlanStep {
  const SettingKind* kind;
  SettingValue value;  // what is written
};

// A differing setting an apply leaves as it is, and why.
struct Skipped {
  const SettingKind* kind;
  std::string why;
};

// What an apply writes, in the order that keeps every bound satisfied on the way; or why it
// writes nothing at all.
struct ApplyPlan {
  std::vector<PlanStep> steps;
  std::vector<Skipped> skipped;
  std::optional<std::string> refusal;
};

// `file` applied to the controller that `live` was read from: what differs, by the options, each
// checked with the dialog's rule against the values the controller holds by then.
ApplyPlan PlanApply(const Snapshot& file, const Snapshot& live, const ApplyOptions& options);

struct ApplyReport {
  std::vector<PlanStep> verified;
  std::optional<PlanStep> failed;
  std::string failure;  // the failed write's texts
  Status status = Status::kOk;
  std::vector<PlanStep> notTried;
};

// Writes the plan's steps in order and stops at the first that is refused, unconfirmed or reads
// back otherwise. `done` hears of every write tried (may be empty).
ApplyReport RunApply(const SettingsTarget& target, const ApplyPlan& plan,
                     const std::function<void(const PlanStep&, const Result<SettingValue>&)>& done = {});

}  // namespace kaviro
