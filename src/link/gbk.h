#pragma once
#include <string>
#include <string_view>

namespace kaviro {

// The controller and the exported files speak the GBK code page; the program's texts are UTF-8.
// Characters GBK cannot hold become '?'.
std::string Utf8ToGbk(std::string_view utf8);
// Bytes GBK cannot decode become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

}  // namespace kaviro
