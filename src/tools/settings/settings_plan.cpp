#include "tools/settings/settings_plan.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "link/text_format.h"

namespace kaviro {

namespace {

std::string Named(const SettingKind& kind) {
  return kind.registers.empty() ? kind.name : kind.name + " (" + RegistersText(kind.registers) + ")";
}

// Why a differing setting is left alone by these options, if it is.
std::optional<std::string> LeftAlone(const Difference& d, const ApplyOptions& o) {
  if (!o.only.empty() && std::ranges::find(o.only, d.kind->name) == o.only.end()) return "not in --only";
  if (!d.left || !d.left->value) return "unreadable in the file: " + (d.left ? d.left->unreadable : "not in it");
  if (!d.right || !d.right->value) return "unreadable on the controller: " + (d.right ? d.right->unreadable : "");
  if (d.kind->kind == SettingClass::kLink && !o.includeLink)
    return std::string("a link setting: only with --include-link");
  if (d.kind->kind == SettingClass::kIdentity && !o.includeIdentity)
    return std::string("the controller's own: only with --include-identity");
  return std::nullopt;
}

// Refusals of the options themselves, whatever differs.
std::optional<std::string> OptionRefusal(const Snapshot& file, const Snapshot& live, const ApplyOptions& o) {
  for (const std::string& name : o.only) {
    const SettingKind* kind = FindSettingKind(name);
    if (!kind) return "--only: unknown setting \"" + name + "\"";
    if (kind->kind == SettingClass::kLink && !o.includeLink) return name + " is a link setting: add --include-link";
    if (kind->kind == SettingClass::kIdentity && !o.includeIdentity)
      return name + " is the controller's own: add --include-identity";
  }
  if (o.includeIdentity) {
    const std::optional<std::string> a = file.Serial(), b = live.Serial();
    if (!a || !b || *a != *b)
      return "--include-identity: the file's serial number (" + a.value_or("unknown") + ") is not the controller's (" +
             b.value_or("unknown") + "); a MAC address and identification are never copied to another controller";
  }
  return std::nullopt;
}

// The settings whose values pass their own rule in `state`.
std::set<std::string> Satisfied(const SettingsState& state) {
  std::set<std::string> names;
  for (const auto& [name, words] : state) {
    const SettingKind* kind = FindSettingKind(name);
    if (kind && SettingText(*kind, words) && !kind->group->Check(kind->index, words, state)) names.insert(name);
  }
  return names;
}

}  // namespace

ApplyPlan PlanApply(const Snapshot& file, const Snapshot& live, const ApplyOptions& options) {
  ApplyPlan plan;
  if (const auto refused = OptionRefusal(file, live, options)) {
    plan.refusal = *refused;
    return plan;
  }
  SettingsState state;
  for (const SettingEntry& e : live.entries)
    if (e.value) state[e.name] = e.value->words;

  std::vector<PlanStep> pending;
  for (const Difference& d : Differences(file, live)) {
    if (const auto why = LeftAlone(d, options)) {
      if (*why != "not in --only") plan.skipped.push_back({d.kind, *why});
      continue;
    }
    pending.push_back({d.kind, *d.left->value});
  }
  std::ranges::stable_sort(pending, {}, [](const PlanStep& s) { return s.kind->order; });

  // The rules that hold at the end: none of them may be broken on the way (one the file's own
  // values break, as the controller it came from holds them, is no guide).
  SettingsState end = state;
  for (const PlanStep& step : pending) end[step.kind->name] = step.value.words;
  const std::set<std::string> atEnd = Satisfied(end);

  // Greedy: within each order, the first setting that may be written now and keeps those rules
  // that hold goes next; writing it may open the way for one whose bound it is.
  while (!pending.empty()) {
    const int order = pending.front().kind->order;
    std::set<std::string> kept;
    std::ranges::set_intersection(Satisfied(state), atEnd, std::inserter(kept, kept.end()));
    auto next = pending.end();
    std::optional<std::string> why;
    for (auto it = pending.begin(); it != pending.end() && it->kind->order == order; ++it) {
      std::optional<std::string> refused = it->kind->group->Check(it->kind->index, it->value.words, state);
      if (!refused) {
        SettingsState after = state;
        after[it->kind->name] = it->value.words;
        std::set<std::string> still = Satisfied(after);
        still.insert(it->kind->name);
        std::vector<std::string> broken;
        std::ranges::set_difference(kept, still, std::back_inserter(broken));
        if (broken.empty()) {
          next = it;
          break;
        }
        refused = "it would take " + broken.front() + " outside its range";
      }
      if (!why) why = Named(*it->kind) + " cannot be set to " + it->value.text + ": " + *refused;
    }
    if (next == pending.end()) {
      plan.refusal = why;
      plan.steps.clear();
      return plan;
    }
    state[next->kind->name] = next->value.words;
    plan.steps.push_back(*next);
    pending.erase(next);
  }
  return plan;
}

ApplyReport RunApply(const SettingsTarget& target, const ApplyPlan& plan,
                     const std::function<void(const PlanStep&, const Result<SettingValue>&)>& done) {
  ApplyReport report;
  for (size_t i = 0; i < plan.steps.size(); ++i) {
    const PlanStep& step = plan.steps[i];
    const Result<SettingValue> wrote = step.kind->group->Write(target, step.kind->index, step.value.words);
    if (done) done(step, wrote);
    if (wrote.ok()) {
      report.verified.push_back(step);
      continue;
    }
    report.failed = step;
    report.status = wrote.status;
    report.failure = wrote.Text();
    report.notTried.assign(plan.steps.begin() + static_cast<std::ptrdiff_t>(i) + 1, plan.steps.end());
    break;
  }
  return report;
}

}  // namespace kaviro
