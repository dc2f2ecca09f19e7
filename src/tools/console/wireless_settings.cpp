#include "tools/console/wireless_settings.h"

#include <mutex>

#include "link/acceptance.h"
#include "link/crc16.h"
#include "link/link_texts.h"
#include "link/radio_packet.h"
#include "link/text_format.h"
#include "tools/common/address_entry.h"
#include "tools/console/register_answer.h"

namespace kaviro {

namespace {

constexpr uint16_t kWirelessStart = 0x3040;
constexpr uint16_t kWirelessRegisters = 9;
constexpr uint16_t kModbusAddressRegister = 0x0040;
constexpr size_t kRadioAddressBytes = 5;
constexpr size_t kRadioAddressText = 2 * kRadioAddressBytes;
constexpr const char* kHexCaption = "输入格式错误";
constexpr const char* kReadErrorText = "读取数据错误！";

// Offsets in the block (not in the answer): address, then its switch byte.
struct RadioField {
  std::string WirelessConfig::*address;
  bool WirelessConfig::*enabled;  // nullptr: the spare byte, written 0
  const char* refusal;
};
constexpr RadioField kRadioFields[] = {
    {&WirelessConfig::controller, nullptr, "控制器地址，请输入10个16进制字符!"},
    {&WirelessConfig::rd, &WirelessConfig::rdOn, "RD地址，请输入10个16进制字符!"},
    {&WirelessConfig::rts, &WirelessConfig::rtsOn, "RTS地址，请输入10个16进制字符!"},
};

std::string LowerHex(std::span<const uint8_t> bytes) {
  std::string out;
  for (uint8_t b : bytes) out += Format("%02x", b);
  return out;
}

}  // namespace

RtuFrame WirelessReadRequest(uint8_t unit) {
  return ReadRegisters(unit, fn::kReadHolding, kWirelessStart, kWirelessRegisters);
}

WirelessAnswer HandleWirelessConfig(std::span<const uint8_t> b, int count, uint8_t unit, bool network) {
  const CheckedAnswer checked = CheckRegisterAnswer(b, count, unit, network, 2 * kWirelessRegisters);
  if (!checked.ok) return {std::nullopt, checked.message};
  WirelessConfig c;
  size_t at = 3;
  for (const RadioField& f : kRadioFields) {
    c.*f.address = LowerHex(b.subspan(at, kRadioAddressBytes));
    if (f.enabled) c.*f.enabled = b[at + kRadioAddressBytes] != 0;
    at += kRadioAddressBytes + 1;
  }
  return {c, {}};
}

WirelessAnswer ReadWirelessConfig(LinkService& link, LinkMode mode, uint8_t unit) {
  const ConsoleReply r = ConsoleRead(link, mode, WirelessReadRequest(unit), ReadAnswerLength(kWirelessRegisters),
                                     ResponseKind::kWirelessConfig);
  if (!r.answered) return {std::nullopt, r.message};
  return HandleWirelessConfig(r.answer, r.count, unit, mode == LinkMode::kNetwork);
}

ConsoleWrite BuildWirelessWrite(uint8_t unit, const WirelessConfig& config) {
  std::vector<uint8_t> block;
  for (const RadioField& f : kRadioFields) {
    const std::string& text = config.*f.address;
    if (CharacterCount(text) != kRadioAddressText) return {std::nullopt, {f.refusal, {}}};
    if (!HexTextToBytes(text, block)) return {std::nullopt, {f.refusal, kHexCaption}};
    block.push_back(f.enabled && config.*f.enabled ? 1 : 0);
  }
  return {WriteRegisters(unit, kWirelessStart, block), {}};
}

RtuFrame ModbusAddressRequest(uint8_t unit) {
  return ReadRegisters(unit, fn::kReadHolding, kModbusAddressRegister, 1);
}

RtuFrame ModbusAddressWrite(uint8_t unit, uint8_t newAddress) {
  return WriteRegister(unit, kModbusAddressRegister, newAddress);
}

ModbusAddressRead ReadModbusAddress(LinkService& link, LinkMode mode, uint8_t unit) {
  // Expected length 0: whatever the first check finds waiting is the answer.
  const ConsoleReply r = ConsoleRead(link, mode, ModbusAddressRequest(unit), 0, ResponseKind::kModbusAddress);
  const bool network = mode == LinkMode::kNetwork;
  if (network) {
    // The unit, function and byte count say it answers this read: a late answer to something
    // else never shows as the address.
    if (!r.answered || !AcceptsRegisters(r.answer, unit, fn::kReadHolding, 1, false)) return {std::nullopt, r.message};
    return {GetU16(r.answer, 3), {}};
  }
  if (!r.answered && r.outcome != Outcome::kUnpackError) return {std::nullopt, r.message};
  if (mode == LinkMode::kWireless && r.raw.size() < kPacketSize) return {std::nullopt, text::kBadAnswer};
  if (!r.answered) return {std::nullopt, r.message};
  const std::span<const uint8_t> plain = r.answer;
  if (plain.size() < 7 || !HasValidCrc(plain.first(7))) return {std::nullopt, kReadErrorText};
  return {GetU16(plain, 3), {}};
}

std::string ModbusAddressCaption(int address) { return Format("Modbus地址为：%d", address); }

std::optional<uint8_t> ParseModbusAddressText(const std::string& text) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 247) return std::nullopt;
  return static_cast<uint8_t>(value);
}

ExchangePolicy ModbusAddressWritePolicy() {
  return {.net = wait::MatchTransaction{.sleepMs = 10, .checks = 1}};
}

std::string WriteModbusAddress(LinkService& link, LinkMode mode, uint8_t unit, uint8_t newAddress) {
  const RtuFrame frame = ModbusAddressWrite(unit, newAddress);
  if (mode != LinkMode::kNetwork) return SendWithoutReply(link, mode, frame);
  std::lock_guard lock(link.Mutex());
  const ExchangeResult r = link.Exchange(mode, frame, 0, ModbusAddressWritePolicy());
  return OutcomeMessage(r.outcome, r.message);
}

}  // namespace kaviro
