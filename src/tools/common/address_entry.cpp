#include "tools/common/address_entry.h"

#include "link/text_format.h"

namespace kaviro {

namespace {
int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

bool HexTextToBytes(const std::string& text, std::vector<uint8_t>& out) {
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const int hi = Nibble(text[i]);
    const int lo = Nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  return true;
}

size_t CharacterCount(std::string_view utf8) {
  size_t n = 0;
  for (const char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;  // continuation bytes add none
  return n;
}

std::optional<uint8_t> ParseAddressEntry(const std::string& text, std::string& message) {
  if (CharacterCount(text) != 2) {
    message = kAddressLengthText;
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  if (!HexTextToBytes(text, bytes)) {
    message = kAddressHexText;
    return std::nullopt;
  }
  return bytes[0];
}

std::vector<std::string> AddressListItems() {
  std::vector<std::string> items;
  for (int address = 1; address <= 247; ++address) items.push_back(Format("%02X", address));
  return items;
}

}  // namespace kaviro
