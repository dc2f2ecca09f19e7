#pragma once
#include <optional>
#include <string_view>

namespace kaviro {

// An integer edit's text as the dialogs take it: the whole field, blanks at its ends aside, an
// optionally signed whole number that fits an int; anything else (empty text included) is not an
// integer.
std::optional<int> ParseIntText(std::string_view text);

inline constexpr const char* kNotAnIntegerText = "请键入一个整数。";

}  // namespace kaviro
