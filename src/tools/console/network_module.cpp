#include "tools/console/network_module.h"

#include <cctype>

#include "link/text_format.h"
#include "tools/common/address_entry.h"
#include "tools/common/register_answer.h"
#include "tools/common/verified_write.h"

namespace kaviro {

namespace {

constexpr uint16_t kMacStart = 0x3000;
constexpr uint16_t kMacRegisters = 3;
constexpr uint16_t kSettingsStart = 0x3010;
constexpr uint16_t kSettingsRegisters = 8;
constexpr size_t kMacTextLength = 12;

constexpr const char* kMacRefusal = "MAC地址，请输入12个16进制字符!";
constexpr const char* kHexCaption = "输入格式错误";
constexpr const char* kPortRefusal = "端口号范围 1~65535,请重新输入!";
constexpr const char* kZeroAddressRefusal = kAddressFormatRefusal;

uint32_t Address(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

void PutAddress(std::vector<uint8_t>& out, uint32_t a) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(a >> shift));
}

}  // namespace

std::vector<uint16_t> NetworkSettingsWords(const NetworkSettings& s) {
  std::vector<uint16_t> words{s.mode, static_cast<uint16_t>(s.port)};
  for (const uint32_t a : {s.ip, s.mask, s.gateway}) {
    words.push_back(static_cast<uint16_t>(a >> 16));
    words.push_back(static_cast<uint16_t>(a));
  }
  return words;
}

NetworkSettings NetworkSettingsOf(std::span<const uint16_t, kNetworkSettingsWords> w) {
  const auto address = [&](size_t at) { return static_cast<uint32_t>(w[at]) << 16 | w[at + 1]; };
  return {w[0], w[1], address(2), address(4), address(6)};
}

RtuFrame MacReadRequest(uint8_t unit) { return ReadRegisters(unit, fn::kReadHolding, kMacStart, kMacRegisters); }

RtuFrame NetworkReadRequest(uint8_t unit) {
  return ReadRegisters(unit, fn::kReadHolding, kSettingsStart, kSettingsRegisters);
}

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

Result<std::string> HandleMacAddress(std::span<const uint8_t> b, int count, uint8_t unit, bool network) {
  if (auto refused = RegisterAnswerRefusal(b, count, unit, network, 2 * kMacRegisters)) return refused->As<std::string>();
  return Ok(Format("%02x%02x%02x%02x%02x%02x", b[3], b[4], b[5], b[6], b[7], b[8]));
}

Result<NetworkSettings> HandleNetworkSettings(std::span<const uint8_t> b, int count, uint8_t unit, bool network) {
  if (auto refused = RegisterAnswerRefusal(b, count, unit, network, 2 * kSettingsRegisters))
    return refused->As<NetworkSettings>();
  NetworkSettings s;
  s.mode = GetU16(b, 3);
  s.port = GetU16(b, 5);
  s.ip = Address(b, 7);
  s.mask = Address(b, 11);
  s.gateway = Address(b, 15);
  return Ok(s);
}

Result<std::string> ReadMac(LinkService& link, LinkMode mode, uint8_t unit) {
  const ConsoleReply r =
      ConsoleRead(link, mode, MacReadRequest(unit), ReadAnswerLength(kMacRegisters), ResponseKind::kMacAddress);
  return HandleReply<std::string>(r, HandleMacAddress, unit, mode);
}

Result<NetworkSettings> ReadNetworkSettings(LinkService& link, LinkMode mode, uint8_t unit) {
  const ConsoleReply r = ConsoleRead(link, mode, NetworkReadRequest(unit), ReadAnswerLength(kSettingsRegisters),
                                     ResponseKind::kNetworkSettings);
  return HandleReply<NetworkSettings>(r, HandleNetworkSettings, unit, mode);
}

Result<RtuFrame> BuildMacWrite(uint8_t unit, const std::string& text) {
  if (CharacterCount(text) != kMacTextLength) return ConsoleRefusal<RtuFrame>(kMacRefusal);
  std::vector<uint8_t> mac;
  if (!HexTextToBytes(text, mac)) return ConsoleRefusal<RtuFrame>(kMacRefusal, kHexCaption);
  return Ok(WriteRegisters(unit, kMacStart, mac));
}

Result<RtuFrame> BuildNetworkWrite(uint8_t unit, const NetworkSettings& s) {
  if (s.port < 1 || s.port > 65535) return ConsoleRefusal<RtuFrame>(kPortRefusal);
  if (s.mode != 0 && (s.ip == 0 || s.mask == 0 || s.gateway == 0)) return ConsoleRefusal<RtuFrame>(kZeroAddressRefusal);
  std::vector<uint8_t> data{0x00, static_cast<uint8_t>(s.mode & 0xFF)};
  PutU16(data, static_cast<uint16_t>(s.port));
  PutAddress(data, s.ip);
  PutAddress(data, s.mask);
  PutAddress(data, s.gateway);
  return Ok(WriteRegisters(unit, kSettingsStart, data));
}

Result<std::string> SetMacVerified(LinkService& link, LinkMode mode, uint8_t unit, const RtuFrame& write,
                                   const std::string& typed) {
  return WriteAndVerify<std::string>(
      link, mode,
      {.write = [&] { return SendWithoutReply(link, mode, write); },
       .settleMs = kUnreadWriteSettleMs,
       .readBack = [&] { return ReadMac(link, mode, unit); },
       .same = [&](const std::string& read) { return read == Lower(typed); },
       .shown = [](const std::string& read) { return read; },
       .written = [&] { return Lower(typed); }});
}

std::string NetworkSettingsText(const NetworkSettings& s) {
  return Format("%s %d %s %s %s", s.mode != 0 ? "static" : "auto", s.port, DottedAddress(s.ip).c_str(),
                DottedAddress(s.mask).c_str(), DottedAddress(s.gateway).c_str());
}

Result<NetworkSettings> SetNetworkVerified(LinkService& link, LinkMode mode, uint8_t unit, const RtuFrame& write,
                                           const NetworkSettings& wanted) {
  return WriteAndVerify<NetworkSettings>(
      link, mode,
      {.write = [&] { return SendWithoutReply(link, mode, write); },
       .settleMs = kUnreadWriteSettleMs,
       .readBack = [&] { return ReadNetworkSettings(link, mode, unit); },
       .same = [&](const NetworkSettings& read) {
         if ((read.mode != 0) != (wanted.mode != 0) || read.port != wanted.port) return false;
         return wanted.mode == 0 || (read.ip == wanted.ip && read.mask == wanted.mask && read.gateway == wanted.gateway);
       },
       .shown = NetworkSettingsText,
       .written = [&] { return NetworkSettingsText(wanted); }});
}

std::string DottedAddress(uint32_t a) { return Format("%u.%u.%u.%u", a >> 24, a >> 16 & 0xFF, a >> 8 & 0xFF, a & 0xFF); }

}  // namespace kaviro
