// Settings snapshots without a link: the file's refusals, what counts as a difference, the texts
// words show as, and the order an apply writes in.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "tools/controller/param_rows.h"
#include "tools/settings/settings_file.h"
#include "tools/settings/settings_plan.h"

namespace kaviro {
namespace {

SettingEntry Entry(const std::string& name, std::vector<uint16_t> words) {
  const SettingKind* kind = FindSettingKind(name);
  EXPECT_NE(kind, nullptr) << name;
  return {name, kind->registers, SettingValue{*SettingText(*kind, words), std::move(words)}, {}};
}

SettingEntry Unread(const std::string& name, const std::string& why = "通讯失败") {
  return {name, FindSettingKind(name)->registers, std::nullopt, why};
}

std::vector<uint16_t> Gbk(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

Snapshot Snap(std::vector<SettingEntry> entries) {
  return {"2026-12-09T10:00:00+00:00", "kaviro 0.1.0", "test", entries};
}

// The simulator's defaults for the parameters whose bounds are other parameters.
std::vector<SettingEntry> Bounded(uint16_t min, uint16_t max) {
  return {Entry("battery-min", {min}),      Entry("battery-max", {max}),         Entry("temp-comp-max", {60}),
          Entry("temp-comp-min", {0xFFF6}), Entry("load-rated-current", {3000}), Entry("charge-current-limit", {2000})};
}

const std::string kSample = SettingsFileText(
    Snap({Entry("battery-min", {1000}), Entry("lighting-dusk-on", {1, 0x0428}),
          Unread("rd-mode", "the RD is reached over the network link only"), Entry("ident-serial", Gbk("24051701"))}));

TEST(SettingsFile, WhatIsWrittenReadsBackAsItWas) {
  const Result<Snapshot> parsed = ParseSettingsFile(kSample, "a.json");
  ASSERT_TRUE(parsed.ok()) << parsed.Text();
  EXPECT_EQ(parsed.value->entries, Snap({Entry("battery-min", {1000}), Entry("lighting-dusk-on", {1, 0x0428}),
                                         Unread("rd-mode", "the RD is reached over the network link only"),
                                         Entry("ident-serial", Gbk("24051701"))})
                                       .entries);
  EXPECT_EQ(parsed.value->Serial(), "24051701");
  const auto doc = nlohmann::json::parse(kSample);
  EXPECT_EQ(doc["identification"]["serial"], "24051701");
  EXPECT_EQ(doc["settings"][1]["text"], "18:30:00");
}

// Table rows print as their name.
template <typename Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

struct BadFile {
  const char* name;
  std::function<std::string()> bytes;
  const char* says;
};

std::string Edited(const std::function<void(nlohmann::json&)>& edit) {
  nlohmann::json doc = nlohmann::json::parse(kSample);
  edit(doc);
  return doc.dump();
}

class SettingsFileRefuses : public ::testing::TestWithParam<BadFile> {};

TEST_P(SettingsFileRefuses, WithAMessageNamingTheFile) {
  const Result<Snapshot> parsed = ParseSettingsFile(GetParam().bytes(), "site.json");
  EXPECT_EQ(parsed.status, Status::kRefused);
  EXPECT_EQ(parsed.Text().rfind("site.json: ", 0), 0u) << parsed.Text();
  EXPECT_NE(parsed.Text().find(GetParam().says), std::string::npos) << parsed.Text();
}

using J = nlohmann::json;
INSTANTIATE_TEST_SUITE_P(
    Table, SettingsFileRefuses,
    ::testing::Values(
        BadFile{"NotJson", [] { return std::string("battery-min=10"); }, "no JSON, or cut short"},
        BadFile{"CutShort", [] { return kSample.substr(0, kSample.size() / 2); }, "no JSON, or cut short"},
        BadFile{"Empty", [] { return std::string(); }, "no JSON, or cut short"},
        BadFile{"ForeignFormat", [] { return Edited([](J& d) { d["format"] = "modbus-dump"; }); },
                "not a settings file of this tool"},
        BadFile{"JsonArray", [] { return std::string("[1,2]"); }, "not a settings file of this tool"},
        BadFile{"LaterVersion", [] { return Edited([](J& d) { d["version"] = 2; }); },
                "version 2; this tool reads version 1"},
        BadFile{"NoSettings", [] { return Edited([](J& d) { d.erase("settings"); }); }, "no \"settings\" list"},
        BadFile{"UnknownSetting", [] { return Edited([](J& d) { d["settings"][0]["name"] = "battery-middle"; }); },
                "unknown setting \"battery-middle\""},
        BadFile{"OtherRegister", [] { return Edited([](J& d) { d["settings"][0]["registers"] = {"0x0029"}; }); },
                "battery-min: registers 0x0029 in the file, 0x0028 in this tool"},
        BadFile{"WordTooBig", [] { return Edited([](J& d) { d["settings"][0]["words"] = {70000}; }); },
                "word 70000 is not a number from 0 to 65535"},
        BadFile{"WordNegative", [] { return Edited([](J& d) { d["settings"][0]["words"] = {-1}; }); },
                "word -1 is not"},
        BadFile{"WordFraction", [] { return Edited([](J& d) { d["settings"][0]["words"] = {10.5}; }); },
                "word 10.5 is not"},
        BadFile{"WordCount", [] { return Edited([](J& d) { d["settings"][1]["words"] = {1}; }); },
                "lighting-dusk-on: 1 words, the setting has 2"},
        BadFile{"TextNotTheWords", [] { return Edited([](J& d) { d["settings"][0]["words"] = {2000}; }); },
                "battery-min: the text \"10.00\" is not what the words 07D0 show (\"20.00\")"},
        BadFile{"Twice", [] { return Edited([](J& d) { d["settings"].push_back(d["settings"][0]); }); },
                "battery-min is listed twice"},
        BadFile{"NeitherValueNorReason", [] { return Edited([](J& d) { d["settings"][0].erase("words"); }); },
                "neither"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFile, ASaveThatCannotBeWrittenSaysSo) {
  const Result<> saved = SaveSettingsFile("/nonexistent-dir/a.json", Snap({}));
  EXPECT_EQ(saved.status, Status::kRefused);
  EXPECT_NE(saved.Text().find("cannot be written"), std::string::npos);
}

// A parameter's words become the text that, typed, writes them again.
struct TypedWord {
  const char* row;
  uint16_t word;
  const char* shown;
  const char* typed;
};
class ParamInputTexts : public ::testing::TestWithParam<TypedWord> {};

TEST_P(ParamInputTexts, TypeTheWordBack) {
  const ParamRow& row = *FindParamRow(GetParam().row);
  EXPECT_EQ(ParamWordText(row, GetParam().word), GetParam().shown);
  EXPECT_EQ(ParamInputText(row, GetParam().word), GetParam().typed);
  const double companions[] = {-1000, -1000};  // every bound below
  const Result<uint16_t> checked = CheckParamInput(row, GetParam().typed, {companions, size_t(row.companionCount)});
  if (row.high.companion < 0 && row.low.companion < 0) {
    ASSERT_TRUE(checked.ok()) << checked.Text();
    EXPECT_EQ(*checked.value, GetParam().word);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Table, ParamInputTexts,
    ::testing::Values(TypedWord{"float-entry-current", 50, "0.50", "0.50"},
                      TypedWord{"load-hvd", 1395, "13.95", "13.95"}, TypedWord{"lvd-alarm-delay", 35, "3.5", "3.5"},
                      TypedWord{"equalize-time", 7200, "7200", "7200"}, TypedWord{"overload-delay", 0, "", "0"},
                      TypedWord{"lighting-mode", 1, "智能", "1"}, TypedWord{"lighting-mode", 0, "定时", "0"},
                      TypedWord{"temp-comp-min", 0xFFF6, "-10", "-10"}, TypedWord{"cell-conflict", 1, "1", "1"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(SettingKinds, EveryKindHasItsRegistersAndAUniqueName) {
  std::set<std::string> names;
  for (const SettingKind& kind : SettingKinds()) {
    EXPECT_TRUE(names.insert(kind.name).second) << kind.name;
    std::vector<uint16_t> zeros(kind.registers.size(), 0);
    EXPECT_TRUE(SettingText(kind, zeros)) << kind.name;
  }
  EXPECT_EQ(names.size(), 19u + 1 + 4 + 1 + 1 + 5 + 1 + 1 + 8);
  EXPECT_EQ(*SettingText(*FindSettingKind("rd-range-2"), std::vector<uint16_t>{0x0C0F}), "12 1.5");
  EXPECT_EQ(*SettingText(*FindSettingKind("ethernet"),
                         std::vector<uint16_t>{1, 502, 0xC0A8, 0x0164, 0xFFFF, 0xFF00, 0xC0A8, 0x0101}),
            "static 502 192.168.1.100 255.255.255.0 192.168.1.1");
  EXPECT_EQ(*SettingText(*FindSettingKind("mac"), std::vector<uint16_t>{0x024b, 0x5652, 0x0001}), "024b56520001");
}

struct DiffCase {
  const char* name;
  std::vector<SettingEntry> left, right;
  std::vector<std::string> differs;
};
class SnapshotDifferences : public ::testing::TestWithParam<DiffCase> {};

TEST_P(SnapshotDifferences, AreTheSettingsThatDiffer) {
  std::vector<std::string> names;
  for (const Difference& d : Differences(Snap(GetParam().left), Snap(GetParam().right))) names.push_back(d.kind->name);
  EXPECT_EQ(names, GetParam().differs);
}

const SettingEntry kSerialA = Entry("ident-serial", Gbk("24051701"));
const SettingEntry kSerialB = Entry("ident-serial", Gbk("24051702"));
const SettingEntry kMac1 = Entry("mac", {0x024b, 0x5652, 0x0001});
const SettingEntry kMac2 = Entry("mac", {0x024b, 0x5652, 0x0002});

INSTANTIATE_TEST_SUITE_P(
    Table, SnapshotDifferences,
    ::testing::Values(
        DiffCase{"Equal", {Entry("battery-min", {1000})}, {Entry("battery-min", {1000})}, {}},
        DiffCase{"Words", {Entry("battery-min", {1000})}, {Entry("battery-min", {1200})}, {"battery-min"}},
        DiffCase{"BothUnreadable", {Unread("rd-mode")}, {Unread("rd-mode", "other reason")}, {}},
        DiffCase{"OneUnreadable", {Unread("rd-mode")}, {Entry("rd-mode", {0})}, {"rd-mode"}},
        DiffCase{"MissingOnOneSide", {Entry("rd-mode", {0})}, {}, {"rd-mode"}},
        DiffCase{"SameSerialOwnMac", {kSerialA, kMac1}, {kSerialA, kMac2}, {"mac"}},
        DiffCase{"OtherSerialMacIgnored",
                 {kSerialA, kMac1, Entry("battery-min", {1000})},
                 {kSerialB, kMac2, Entry("battery-min", {1100})},
                 {"battery-min"}},
        DiffCase{"UnknownSerialMacIgnored", {Unread("ident-serial"), kMac1}, {Unread("ident-serial"), kMac2}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct PlanCase {
  const char* name;
  std::vector<SettingEntry> file, live;
  ApplyOptions options;
  std::vector<std::string> order;  // written in this order
  const char* refusal = nullptr;   // or refused with a text holding this
};
class ApplyOrder : public ::testing::TestWithParam<PlanCase> {};

TEST_P(ApplyOrder, KeepsEveryBoundOnTheWay) {
  const PlanCase& c = GetParam();
  const ApplyPlan plan = PlanApply(Snap(c.file), Snap(c.live), c.options);
  std::vector<std::string> order;
  for (const PlanStep& s : plan.steps) order.push_back(s.kind->name);
  if (c.refusal) {
    ASSERT_TRUE(plan.refusal);
    EXPECT_NE(plan.refusal->find(c.refusal), std::string::npos) << *plan.refusal;
    EXPECT_TRUE(plan.steps.empty()) << "a refused apply writes nothing";
    return;
  }
  EXPECT_FALSE(plan.refusal) << *plan.refusal;
  EXPECT_EQ(order, c.order);
}

std::vector<SettingEntry> Load(uint16_t hvd, uint16_t hvr, uint16_t lvd, uint16_t lvr) {
  return {Entry("load-hvd", {hvd}), Entry("load-hvr", {hvr}), Entry("load-lvd", {lvd}), Entry("load-lvr", {lvr})};
}
std::vector<SettingEntry> With(std::vector<SettingEntry> a, const std::vector<SettingEntry>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
const std::vector<SettingEntry> kLinkA =
    With(Bounded(1000, 1600),
         {Entry("modbus-address", {1}), Entry("ethernet", {1, 502, 0xC0A8, 0x0164, 0xFFFF, 0xFF00, 0xC0A8, 0x0101})});
const std::vector<SettingEntry> kLinkB =
    With(Bounded(1100, 1600),
         {Entry("modbus-address", {7}), Entry("ethernet", {1, 503, 0xC0A8, 0x0164, 0xFFFF, 0xFF00, 0xC0A8, 0x0101})});

INSTANTIATE_TEST_SUITE_P(
    Table, ApplyOrder,
    ::testing::Values(
        // Raising both voltages above the present maximum: the maximum first.
        PlanCase{"MinMaxUp", Bounded(1300, 1600), Bounded(1000, 1200), {}, {"battery-max", "battery-min"}},
        PlanCase{"MinMaxDown", Bounded(1000, 1200), Bounded(1300, 1600), {}, {"battery-min", "battery-max"}},
        PlanCase{"LoadChainUp",
                 Load(1700, 1650, 1350, 1450),
                 Load(1500, 1450, 1150, 1250),
                 {},
                 {"load-hvd", "load-hvr", "load-lvr", "load-lvd"}},
        PlanCase{"LoadChainDown",
                 Load(1500, 1450, 1150, 1250),
                 Load(1700, 1650, 1350, 1450),
                 {},
                 {"load-hvr", "load-hvd", "load-lvd", "load-lvr"}},
        // The file's own values break the reconnect's rule, as its controller holds them: no guide.
        PlanCase{"FileBreaksItsOwnRule", Load(1500, 1480, 1150, 1250), Load(1700, 1480, 1150, 1250), {}, {"load-hvd"}},
        PlanCase{"NoOrderWorks",
                 Bounded(1400, 1300),
                 Bounded(1000, 1600),
                 {},
                 {},
                 "battery-max (0x0029) cannot be set to 13.00"},
        PlanCase{"OutOfRange",
                 Bounded(1000, 2000),
                 Bounded(1000, 1600),
                 {},
                 {},
                 "battery-max (0x0029) cannot be set to 20.00: 输入数据有误"},
        PlanCase{"OnlySome", Bounded(1300, 1600), Bounded(1200, 1500), {.only = {"battery-max"}}, {"battery-max"}},
        PlanCase{"OnlyUnknown",
                 Bounded(1300, 1600),
                 Bounded(1200, 1500),
                 {.only = {"battery-middle"}},
                 {},
                 "unknown setting"},
        PlanCase{"LinkLeftAlone", kLinkA, kLinkB, {}, {"battery-min"}},
        PlanCase{"LinkLast", kLinkA, kLinkB, {.includeLink = true}, {"battery-min", "ethernet", "modbus-address"}},
        PlanCase{"OnlyLinkNeedsTheFlag", kLinkA, kLinkB, {.only = {"ethernet"}}, {}, "add --include-link"},
        PlanCase{"OwnMacSameSerial", {kSerialA, kMac1}, {kSerialA, kMac2}, {.includeIdentity = true}, {"mac"}},
        PlanCase{"OwnMacLeftAloneWithoutFlag", {kSerialA, kMac1}, {kSerialA, kMac2}, {}, {}},
        PlanCase{"NeverAnotherSerial",
                 {kSerialA, kMac1},
                 {kSerialB, kMac2},
                 {.includeIdentity = true},
                 {},
                 "not the controller's (24051702)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ApplyPlan, LeftAloneSettingsSayWhy) {
  const ApplyPlan plan =
      PlanApply(Snap(With(kLinkA, {Entry("rd-mode", {1})})),
                Snap(With(kLinkB, {Unread("rd-mode", "the RD is reached over the network link only")})), {});
  std::map<std::string, std::string> why;
  for (const Skipped& s : plan.skipped) why[s.kind->name] = s.why;
  EXPECT_EQ(why, (std::map<std::string, std::string>{
                     {"ethernet", "a link setting: only with --include-link"},
                     {"modbus-address", "a link setting: only with --include-link"},
                     {"rd-mode", "unreadable on the controller: the RD is reached over the network link only"}}));
}

}  // namespace
}  // namespace kaviro
