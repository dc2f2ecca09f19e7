// The test console's settings: the Ethernet module, the MAC address, the identification objects,
// the radio addresses and the Modbus address.
#include "link/gbk.h"
#include "link/text_format.h"
#include "tools/common/address_entry.h"
#include "tools/console/identification.h"
#include "tools/console/network_module.h"
#include "tools/console/wireless_settings.h"
#include "tools/settings/setting_groups.h"

namespace kaviro {

namespace {

// Link settings go after everything else, the Modbus address after the link's other settings: the
// requests after it would go to the old address.
constexpr int kIdentityOrder = 1;
constexpr int kLinkOrder = 2;
constexpr int kAddressOrder = 3;

std::vector<uint16_t> Registers(uint16_t start, size_t count) {
  std::vector<uint16_t> regs;
  for (size_t i = 0; i < count; ++i) regs.push_back(static_cast<uint16_t>(start + i));
  return regs;
}

// A group of one setting.
class SingleSetting : public SettingGroup {
 public:
  std::optional<std::string> Text(int, std::span<const uint16_t> words) const override {
    if (words.size() != Kinds()[0].registers.size()) return std::nullopt;
    return Shown(words);
  }

 protected:
  virtual std::string Shown(std::span<const uint16_t> words) const = 0;
};

NetworkSettings Network(std::span<const uint16_t> words) {
  return NetworkSettingsOf(words.first<kNetworkSettingsWords>());
}
SettingValue NetworkValue(const NetworkSettings& s) { return {NetworkSettingsText(s), NetworkSettingsWords(s)}; }

class NetworkGroup final : public SingleSetting {
 public:
  std::vector<SettingKind> Kinds() const override {
    return {{"ethernet", Registers(0x3010, kNetworkSettingsWords), SettingClass::kLink, kLinkOrder}};
  }
  std::vector<Result<SettingValue>> Read(const SettingsTarget& t) const override {
    return {ValueFrom(ReadNetworkSettings(t.link, t.mode, t.unit), NetworkValue)};
  }
  std::optional<std::string> Check(int, std::span<const uint16_t> words, const SettingsState&) const override {
    // The mode travels as its low byte.
    if (words[0] > 0xFF) return std::string("the address mode is no byte");
    const Result<RtuFrame> write = BuildNetworkWrite(0, Network(words));
    if (!write.ok()) return write.Text();
    return std::nullopt;
  }
  std::vector<RtuFrame> Frames(const SettingsTarget& t, int, std::span<const uint16_t> words) const override {
    return {*BuildNetworkWrite(t.unit, Network(words)).value, NetworkReadRequest(t.unit)};
  }
  Result<SettingValue> Write(const SettingsTarget& t, int, std::span<const uint16_t> words) const override {
    const NetworkSettings wanted = Network(words);
    const Result<RtuFrame> write = BuildNetworkWrite(t.unit, wanted);
    if (!write.ok()) return write.As<SettingValue>();
    return ValueFrom(SetNetworkVerified(t.link, t.mode, t.unit, *write.value, wanted), NetworkValue);
  }

 private:
  std::string Shown(std::span<const uint16_t> words) const override { return NetworkSettingsText(Network(words)); }
};

constexpr size_t kMacWords = 3;

std::string MacText(std::span<const uint16_t> words) { return Format("%04x%04x%04x", words[0], words[1], words[2]); }
SettingValue MacValue(const std::string& text) {
  std::vector<uint8_t> bytes;
  HexTextToBytes(text, bytes);
  std::vector<uint16_t> words;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) words.push_back(GetU16(bytes, i));
  return {text, words};
}

class MacGroup final : public SingleSetting {
 public:
  std::vector<SettingKind> Kinds() const override {
    return {{"mac", Registers(0x3000, kMacWords), SettingClass::kIdentity, kIdentityOrder}};
  }
  std::vector<Result<SettingValue>> Read(const SettingsTarget& t) const override {
    return {ValueFrom(ReadMac(t.link, t.mode, t.unit), MacValue)};
  }
  std::optional<std::string> Check(int, std::span<const uint16_t>, const SettingsState&) const override {
    return std::nullopt;
  }
  std::vector<RtuFrame> Frames(const SettingsTarget& t, int, std::span<const uint16_t> words) const override {
    return {*BuildMacWrite(t.unit, MacText(words)).value, MacReadRequest(t.unit)};
  }
  Result<SettingValue> Write(const SettingsTarget& t, int, std::span<const uint16_t> words) const override {
    const std::string text = MacText(words);
    const Result<RtuFrame> write = BuildMacWrite(t.unit, text);
    if (!write.ok()) return write.As<SettingValue>();
    return ValueFrom(SetMacVerified(t.link, t.mode, t.unit, *write.value, text), MacValue);
  }

 private:
  std::string Shown(std::span<const uint16_t> words) const override { return MacText(words); }
};

// An identification object's words are its GBK bytes, one a word.
std::string ObjectText(std::span<const uint16_t> words) {
  std::string gbk;
  for (const uint16_t w : words) gbk += static_cast<char>(w & 0xFF);
  return GbkToUtf8(gbk);
}
SettingValue ObjectValue(const std::string& utf8) {
  std::vector<uint16_t> words;
  for (const char c : Utf8ToGbk(utf8)) words.push_back(static_cast<uint8_t>(c));
  return {utf8, words};
}
// The texts of an update that changes object `index` alone: empty objects are not sent.
IdentificationTexts OnlyObject(int index, std::span<const uint16_t> words) {
  IdentificationTexts texts;
  texts[static_cast<size_t>(index)] = ObjectText(words);
  return texts;
}

class IdentificationGroup final : public SettingGroup {
 public:
  std::vector<SettingKind> Kinds() const override {
    std::vector<SettingKind> kinds;
    for (const IdentificationField& f : kIdentificationFields)
      kinds.push_back({std::string("ident-") + f.name, {}, SettingClass::kIdentity, kIdentityOrder});
    return kinds;
  }
  std::vector<Result<SettingValue>> Read(const SettingsTarget& t) const override {
    const Result<IdentificationAnswer> read = ReadIdentification(t.link, t.mode, t.unit);
    std::vector<Result<SettingValue>> values;
    for (size_t k = 0; k < kIdentificationObjects; ++k) {
      Result<SettingValue> value = read.As<SettingValue>();
      if (read.ok() && read.value->objects) value.value = ObjectValue((*read.value->objects)[k]);
      values.push_back(value);
    }
    return values;
  }
  std::optional<std::string> Text(int, std::span<const uint16_t> words) const override { return ObjectText(words); }
  std::optional<std::string> Check(int index, std::span<const uint16_t> words, const SettingsState&) const override {
    for (const uint16_t w : words)
      if (w > 0xFF) return std::string("an object's words are bytes");
    if (words.empty()) return std::string("an empty object cannot be written");
    const Result<RtuFrame> update = BuildIdentificationUpdate(0, OnlyObject(index, words));
    if (!update.ok()) return update.Text();
    return std::nullopt;
  }
  std::vector<RtuFrame> Frames(const SettingsTarget& t, int index, std::span<const uint16_t> words) const override {
    return {*BuildIdentificationUpdate(t.unit, OnlyObject(index, words)).value, IdentificationRequest(t.unit)};
  }
  Result<SettingValue> Write(const SettingsTarget& t, int index, std::span<const uint16_t> words) const override {
    const IdentificationTexts texts = OnlyObject(index, words);
    const Result<RtuFrame> update = BuildIdentificationUpdate(t.unit, texts);
    if (!update.ok()) return update.As<SettingValue>();
    return ValueFrom(
        SetIdentificationVerified(t.link, t.mode, t.unit, *update.value, texts),
        [index](const IdentificationTexts& read) { return ObjectValue(read[static_cast<size_t>(index)]); });
  }
};

WirelessConfig Radio(std::span<const uint16_t> words) { return WirelessConfigOf(words.first<kWirelessConfigWords>()); }
SettingValue RadioValue(const WirelessConfig& c) {
  return {WirelessConfigText(c), WirelessConfigWords(c).value_or(std::vector<uint16_t>{})};
}

class RadioGroup final : public SingleSetting {
 public:
  std::vector<SettingKind> Kinds() const override {
    return {{"radio", Registers(0x3040, kWirelessConfigWords), SettingClass::kLink, kLinkOrder}};
  }
  std::vector<Result<SettingValue>> Read(const SettingsTarget& t) const override {
    return {ValueFrom(ReadWirelessConfig(t.link, t.mode, t.unit), RadioValue)};
  }
  std::optional<std::string> Check(int, std::span<const uint16_t> words, const SettingsState&) const override {
    // The spare byte goes as 0 and the switches as 0 or 1.
    const std::optional<std::vector<uint16_t>> written = WirelessConfigWords(Radio(words));
    if (!written || !std::ranges::equal(*written, words)) return std::string("the dialog cannot write these words");
    return std::nullopt;
  }
  std::vector<RtuFrame> Frames(const SettingsTarget& t, int, std::span<const uint16_t> words) const override {
    return {*BuildWirelessWrite(t.unit, Radio(words)).value, WirelessReadRequest(t.unit)};
  }
  Result<SettingValue> Write(const SettingsTarget& t, int, std::span<const uint16_t> words) const override {
    const WirelessConfig wanted = Radio(words);
    const Result<RtuFrame> write = BuildWirelessWrite(t.unit, wanted);
    if (!write.ok()) return write.As<SettingValue>();
    return ValueFrom(SetWirelessVerified(t.link, t.mode, t.unit, *write.value, wanted), RadioValue);
  }

 private:
  std::string Shown(std::span<const uint16_t> words) const override { return WirelessConfigText(Radio(words)); }
};

SettingValue AddressValue(int address) { return {std::to_string(address), {static_cast<uint16_t>(address)}}; }

class ModbusAddressGroup final : public SingleSetting {
 public:
  std::vector<SettingKind> Kinds() const override {
    return {{"modbus-address", {0x0040}, SettingClass::kLink, kAddressOrder}};
  }
  std::vector<Result<SettingValue>> Read(const SettingsTarget& t) const override {
    return {ValueFrom(ReadModbusAddress(t.link, t.mode, t.unit), AddressValue)};
  }
  std::optional<std::string> Check(int, std::span<const uint16_t> words, const SettingsState&) const override {
    if (!ParseModbusAddressText(std::to_string(words[0]))) return std::string(kModbusAddressRefusal) + " (1~247)";
    return std::nullopt;
  }
  std::vector<RtuFrame> Frames(const SettingsTarget& t, int, std::span<const uint16_t> words) const override {
    const auto address = static_cast<uint8_t>(words[0]);
    return {ModbusAddressWrite(t.unit, address), ModbusAddressRequest(address)};
  }
  Result<SettingValue> Write(const SettingsTarget& t, int, std::span<const uint16_t> words) const override {
    return ValueFrom(SetModbusAddressVerified(t.link, t.mode, t.unit, static_cast<uint8_t>(words[0])), AddressValue);
  }

 private:
  std::string Shown(std::span<const uint16_t> words) const override { return std::to_string(words[0]); }
};

}  // namespace

const SettingGroup& NetworkSettingsGroup() {
  static const NetworkGroup group;
  return group;
}
const SettingGroup& MacSettingsGroup() {
  static const MacGroup group;
  return group;
}
const SettingGroup& IdentificationSettingsGroup() {
  static const IdentificationGroup group;
  return group;
}
const SettingGroup& RadioSettingsGroup() {
  static const RadioGroup group;
  return group;
}
const SettingGroup& ModbusAddressSettingsGroup() {
  static const ModbusAddressGroup group;
  return group;
}

}  // namespace kaviro
