#pragma once
#include <QString>
#include <optional>

namespace kaviro {

// An integer edit's text as the dialogs take it: blanks around an optionally signed decimal
// number; anything else (empty text included) is not an integer.
std::optional<int> ParseIntText(const QString& text);

inline constexpr const char* kNotAnIntegerText = "请键入一个整数。";

}  // namespace kaviro
