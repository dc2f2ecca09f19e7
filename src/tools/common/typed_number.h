#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace kaviro {

// What a field may hold: a whole number, or a decimal with a point.
enum class NumberKind { kWhole, kDecimal };

// A typed number in the units its register keeps: the whole field, blanks at its ends aside,
// must be an optional sign, digits and (for a decimal) at most one point; full-width digits,
// point and signs count as their ASCII forms. The result is the number times 10^decimals,
// rounded half away from zero from the digits themselves, never through a float, so that what
// the controller stores reads back as what was typed. Nothing when the text is no such number
// or does not fit 15 digits.
std::optional<int64_t> TypedUnits(std::string_view text, NumberKind kind, int decimals = 0);

}  // namespace kaviro
