#pragma once

// The IDs every template gives its OK and Cancel buttons.
namespace kaviro::button_ids {

inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;

}  // namespace kaviro::button_ids
