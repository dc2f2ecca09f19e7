#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kaviro {

// Two hex characters at a time, first one the high nibble; a trailing odd character is ignored.
// Stops at the first character that is not a hex digit (what was converted stays) and says so.
bool HexTextToBytes(const std::string& text, std::vector<uint8_t>& out);

// Characters of a UTF-8 text: a field's length is counted in what the user typed, so that a
// two-character entry in another script gets the hex message, not the length message.
size_t CharacterCount(std::string_view utf8);

// A device address typed as two hex characters ("01" to "F7" in the lists). On failure `message`
// holds the text to show.
std::optional<uint8_t> ParseAddressEntry(const std::string& text, std::string& message);

inline constexpr const char* kAddressLengthText = "ModBus地址，只能输入两个16进制字符，开头可以是0，例如：01";
inline constexpr const char* kAddressHexText = "ModBus地址，16进制数据请输入0~9或a~f或A~F的值。";

// "01" … "F7": the address lists of the tool dialogs.
std::vector<std::string> AddressListItems();

}  // namespace kaviro
