#include "tools/console/wireless_settings.h"

#include <cctype>
#include <mutex>

#include "link/acceptance.h"
#include "link/crc16.h"
#include "link/link_texts.h"
#include "link/radio_packet.h"
#include "link/text_format.h"
#include "tools/common/address_entry.h"
#include "tools/common/register_answer.h"
#include "tools/common/verified_write.h"

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

namespace {

// The block's bytes, as read or as written, into its fields.
WirelessConfig ConfigOfBlock(std::span<const uint8_t> block) {
  WirelessConfig c;
  size_t at = 0;
  for (const RadioField& f : kRadioFields) {
    c.*f.address = LowerHex(block.subspan(at, kRadioAddressBytes));
    if (f.enabled) c.*f.enabled = block[at + kRadioAddressBytes] != 0;
    at += kRadioAddressBytes + 1;
  }
  return c;
}

// The block's bytes, or nothing (and the refusal) for an address that is no ten hex characters.
std::optional<std::vector<uint8_t>> BlockOf(const WirelessConfig& config, const RadioField** refused = nullptr) {
  std::vector<uint8_t> block;
  for (const RadioField& f : kRadioFields) {
    const std::string& text = config.*f.address;
    if (CharacterCount(text) != kRadioAddressText || !HexTextToBytes(text, block)) {
      if (refused) *refused = &f;
      return std::nullopt;
    }
    block.push_back(f.enabled && config.*f.enabled ? 1 : 0);
  }
  return block;
}

}  // namespace

std::optional<std::vector<uint16_t>> WirelessConfigWords(const WirelessConfig& config) {
  const std::optional<std::vector<uint8_t>> block = BlockOf(config);
  if (!block) return std::nullopt;
  std::vector<uint16_t> words;
  for (size_t i = 0; i < block->size(); i += 2) words.push_back(GetU16(*block, i));
  return words;
}

WirelessConfig WirelessConfigOf(std::span<const uint16_t, kWirelessConfigWords> words) {
  std::vector<uint8_t> block;
  for (const uint16_t w : words) PutU16(block, w);
  return ConfigOfBlock(block);
}

Result<WirelessConfig> HandleWirelessConfig(std::span<const uint8_t> b, int count, uint8_t unit, bool network) {
  if (auto refused = RegisterAnswerRefusal(b, count, unit, network, 2 * kWirelessRegisters))
    return refused->As<WirelessConfig>();
  return Ok(ConfigOfBlock(b.subspan(3, 2 * kWirelessRegisters)));
}

Result<WirelessConfig> ReadWirelessConfig(LinkService& link, LinkMode mode, uint8_t unit) {
  const ConsoleReply r = ConsoleRead(link, mode, WirelessReadRequest(unit), ReadAnswerLength(kWirelessRegisters),
                                     ResponseKind::kWirelessConfig);
  return HandleReply<WirelessConfig>(r, HandleWirelessConfig, unit, mode);
}

Result<RtuFrame> BuildWirelessWrite(uint8_t unit, const WirelessConfig& config) {
  const RadioField* refused = nullptr;
  const std::optional<std::vector<uint8_t>> block = BlockOf(config, &refused);
  if (!block) {
    const bool wrongLength = CharacterCount(config.*refused->address) != kRadioAddressText;
    return ConsoleRefusal<RtuFrame>(refused->refusal, wrongLength ? "" : kHexCaption);
  }
  return Ok(WriteRegisters(unit, kWirelessStart, *block));
}

std::string WirelessConfigText(const WirelessConfig& c) {
  return c.controller + " " + c.rd + (c.rdOn ? " on " : " off ") + c.rts + (c.rtsOn ? " on" : " off");
}

namespace {

std::string Lower(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

}  // namespace

Result<WirelessConfig> SetWirelessVerified(LinkService& link, LinkMode mode, uint8_t unit, const RtuFrame& write,
                                           const WirelessConfig& wanted) {
  WirelessConfig expected = wanted;
  for (std::string* address : {&expected.controller, &expected.rd, &expected.rts}) *address = Lower(*address);
  return WriteAndVerify<WirelessConfig>(
      link, mode,
      {.write = [&] { return SendWithoutReply(link, mode, write); },
       .settleMs = kUnreadWriteSettleMs,
       .readBack = [&] { return ReadWirelessConfig(link, mode, unit); },
       .same = [&](const WirelessConfig& read) { return read == expected; },
       .shown = WirelessConfigText,
       .written = [&] { return WirelessConfigText(expected); }});
}

RtuFrame ModbusAddressRequest(uint8_t unit) {
  return ReadRegisters(unit, fn::kReadHolding, kModbusAddressRegister, 1);
}

RtuFrame ModbusAddressWrite(uint8_t unit, uint8_t newAddress) {
  return WriteRegister(unit, kModbusAddressRegister, newAddress);
}

Result<int> ReadModbusAddress(LinkService& link, LinkMode mode, uint8_t unit) {
  // Expected length 0: whatever the first check finds waiting is the answer.
  const ConsoleReply r = ConsoleRead(link, mode, ModbusAddressRequest(unit), 0, ResponseKind::kModbusAddress);
  const bool network = mode == LinkMode::kNetwork;
  if (network) {
    // The unit, function and byte count say it answers this read: a late answer to something
    // else never shows as the address.
    if (!r.answered) return r.failure.As<int>();
    if (!AcceptsRegisters(r.answer, unit, fn::kReadHolding, 1, false)) return Fail<int>(Status::kBadAnswer);
    return Ok<int>(GetU16(r.answer, 3));
  }
  if (!r.answered && r.outcome != Outcome::kUnpackError) return r.failure.As<int>();
  if (mode == LinkMode::kWireless && r.raw.size() < kPacketSize) return Fail<int>(Status::kBadAnswer, {text::kBadAnswer});
  if (!r.answered) return r.failure.As<int>();
  const std::span<const uint8_t> plain = r.answer;
  if (plain.size() < 7 || !HasValidCrc(plain.first(7))) return Fail<int>(Status::kBadAnswer, {kReadErrorText});
  return Ok<int>(GetU16(plain, 3));
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

Result<> WriteModbusAddress(LinkService& link, LinkMode mode, uint8_t unit, uint8_t newAddress) {
  const RtuFrame frame = ModbusAddressWrite(unit, newAddress);
  if (mode != LinkMode::kNetwork) return SendWithoutReply(link, mode, frame);
  ExchangeResult r;
  {
    std::lock_guard lock(link.Mutex());
    r = link.Exchange(mode, frame, 0, ModbusAddressWritePolicy());
  }
  // The echo, or its absence, is not looked at: only a link failure is worth a word.
  if (const auto failed = LinkFailure(r, kConsoleLinkTexts); failed && !failed->notices.empty()) return *failed;
  return Done();
}

Result<int> SetModbusAddressVerified(LinkService& link, LinkMode mode, uint8_t unit, uint8_t newAddress) {
  return WriteAndVerify<int>(
      link, mode,
      {.write = [&] { return WriteModbusAddress(link, mode, unit, newAddress); },
       .settleMs = kUnreadWriteSettleMs,
       .readBack = [&] { return ReadModbusAddress(link, mode, newAddress); },
       .same = [&](const int& read) { return read == newAddress; },
       .shown = [](const int& read) { return std::to_string(read); },
       .written = [&] { return std::to_string(newAddress); }});
}

}  // namespace kaviro
