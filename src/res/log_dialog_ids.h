#pragma once
#include "res/button_ids.h"

// The control IDs of the log reader (template 143).
namespace kaviro::log_ids {

inline constexpr int kAddress = 1012;
inline constexpr int kRequest = 1001;  // the request frame as sent
inline constexpr int kReadLatest = 1005;
inline constexpr int kReadAll = 1006;
inline constexpr int kClearList = 1128;
inline constexpr int kClearAbove = 1020;  // 清除上: never shown
inline constexpr int kSaveText = 1129;
inline constexpr int kSaveSpreadsheet = 1130;
inline constexpr int kSaveChart = 1131;  // the list as a chart, PNG
inline constexpr int kExit = button_ids::kCancel;
inline constexpr int kList = 1459;
// Made by the dialog around the list: the list on page 0 ("记录"), the chart on page 1 ("图表").
inline constexpr int kPages = 1132;
inline constexpr int kChart = 1133;

}  // namespace kaviro::log_ids
