#pragma once

// The control IDs of the settings backup dialog (template 152).
namespace kaviro::settings_ids {

inline constexpr int kSave = 1601;
inline constexpr int kCompare = 1602;
inline constexpr int kApply = 1603;
inline constexpr int kFile = 1604;     // the file compared, and how it compares
inline constexpr int kTable = 1605;    // setting | file | controller, a tick per differing row

// The table's columns.
inline constexpr int kNameColumn = 0;
inline constexpr int kFileColumn = 1;
inline constexpr int kControllerColumn = 2;

}  // namespace kaviro::settings_ids
