#include "tools/settings/settings_file.h"

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>

#include "config/atomic_file.h"
#include "link/text_format.h"
#include "tools/console/identification.h"

namespace kaviro {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kFormat = "kaviro-settings";
constexpr int kVersion = 1;

json Registers(const std::vector<uint16_t>& registers) {
  json list = json::array();
  for (const uint16_t r : registers) list.push_back(Format("0x%04X", r));
  return list;
}

std::string WordsText(const std::vector<uint16_t>& words) {
  std::string text;
  for (const uint16_t w : words) text += (text.empty() ? "" : " ") + Format("%04X", w);
  return text;
}

// A refusal of the file's content: what is wrong, where.
struct Refused {
  std::string text;
};

std::vector<uint16_t> ParseRegisters(const json& list, const std::string& name) {
  if (!list.is_array()) throw Refused{name + ": \"registers\" is no list"};
  std::vector<uint16_t> regs;
  for (const json& r : list) {
    unsigned value = 0;
    int used = 0;
    const std::string text = r.is_string() ? r.get<std::string>() : "";
    if (std::sscanf(text.c_str(), "0x%4X%n", &value, &used) != 1 || used != 6 || text.size() != 6)
      throw Refused{name + ": register " + r.dump() + " is not 0xHHHH"};
    regs.push_back(static_cast<uint16_t>(value));
  }
  return regs;
}

SettingEntry ParseEntry(const json& e) {
  if (!e.is_object() || !e.contains("name") || !e["name"].is_string()) throw Refused{"a setting without a name"};
  const std::string name = e["name"].get<std::string>();
  const SettingKind* kind = FindSettingKind(name);
  if (!kind) throw Refused{"unknown setting \"" + name + "\""};
  SettingEntry entry{name, ParseRegisters(e.value("registers", json()), name), std::nullopt, {}};
  if (entry.registers != kind->registers)
    throw Refused{name + ": registers " + RegistersText(entry.registers) + " in the file, " +
                  RegistersText(kind->registers) + " in this tool"};
  if (e.contains("unreadable")) {
    if (!e["unreadable"].is_string()) throw Refused{name + ": \"unreadable\" is no text"};
    entry.unreadable = e["unreadable"].get<std::string>();
    return entry;
  }
  if (!e.contains("words") || !e["words"].is_array() || !e.contains("text") || !e["text"].is_string())
    throw Refused{name + ": neither \"text\" and \"words\" nor \"unreadable\""};
  SettingValue value{e["text"].get<std::string>(), {}};
  for (const json& w : e["words"]) {
    if (!w.is_number_integer() || w.get<int64_t>() < 0 || w.get<int64_t>() > 0xFFFF)
      throw Refused{name + ": word " + w.dump() + " is not a number from 0 to 65535"};
    value.words.push_back(static_cast<uint16_t>(w.get<int64_t>()));
  }
  const std::optional<std::string> shown = SettingText(*kind, value.words);
  if (!shown)
    throw Refused{name + ": " + std::to_string(value.words.size()) + " words, the setting has " +
                  std::to_string(kind->registers.size())};
  if (*shown != value.text)
    throw Refused{name + ": the text \"" + value.text + "\" is not what the words " + WordsText(value.words) +
                  " show (\"" + *shown + "\")"};
  entry.value = std::move(value);
  return entry;
}

std::string TextOf(const json& doc, const char* key) {
  return doc.contains(key) && doc[key].is_string() ? doc[key].get<std::string>() : "";
}

}  // namespace

std::string SettingsFileText(const Snapshot& s) {
  json identification = json::object();
  for (const IdentificationField& f : kIdentificationFields) {
    const SettingEntry* e = s.Find(std::string("ident-") + f.name);
    identification[f.name] = e && e->value ? json(e->value->text) : json(nullptr);
  }
  json settings = json::array();
  for (const SettingEntry& e : s.entries) {
    json entry = {{"name", e.name}, {"registers", Registers(e.registers)}};
    if (e.value) {
      entry["text"] = e.value->text;
      entry["words"] = e.value->words;
    } else {
      entry["unreadable"] = e.unreadable;
    }
    settings.push_back(std::move(entry));
  }
  const json doc = {{"format", kFormat},   {"version", kVersion}, {"taken", s.taken},
                    {"tool", s.tool},      {"link", s.link},      {"identification", identification},
                    {"settings", settings}};
  return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

Result<Snapshot> ParseSettingsFile(std::string_view bytes, const std::string& fileName) {
  const auto refused = [&](const std::string& why) {
    return Fail<Snapshot>(Status::kRefused, {fileName + ": " + why});
  };
  json doc;
  try {
    doc = json::parse(bytes.begin(), bytes.end());
  } catch (const json::parse_error& e) {
    return refused(Format("not a settings file: no JSON, or cut short (at byte %zu)", e.byte));
  }
  if (!doc.is_object() || TextOf(doc, "format") != kFormat)
    return refused("not a settings file of this tool (no \"format\": \"kaviro-settings\")");
  if (!doc.contains("version") || !doc["version"].is_number_integer() || doc["version"].get<int64_t>() != kVersion)
    return refused("settings file version " + (doc.contains("version") ? doc["version"].dump() : std::string("none")) +
                   "; this tool reads version 1");
  if (!doc.contains("settings") || !doc["settings"].is_array()) return refused("no \"settings\" list");
  Snapshot s{TextOf(doc, "taken"), TextOf(doc, "tool"), TextOf(doc, "link"), {}};
  std::set<std::string> seen;
  try {
    for (const json& e : doc["settings"]) {
      SettingEntry entry = ParseEntry(e);
      if (!seen.insert(entry.name).second) return refused(entry.name + " is listed twice");
      s.entries.push_back(std::move(entry));
    }
  } catch (const Refused& r) {
    return refused(r.text);
  }
  return Ok(std::move(s));
}

Result<Snapshot> LoadSettingsFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail<Snapshot>(Status::kRefused, {path.string() + ": cannot be read"});
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  return ParseSettingsFile(bytes, path.string());
}

Result<> SaveSettingsFile(const std::filesystem::path& path, const Snapshot& snapshot) {
  if (!WriteFileAtomically(path, SettingsFileText(snapshot)))
    return Fail(Status::kRefused, {path.string() + ": cannot be written"});
  return Done();
}

}  // namespace kaviro
