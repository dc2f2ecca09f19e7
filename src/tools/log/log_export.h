#pragma once
#include <string>
#include <vector>

#include "tools/log/log_record.h"

namespace kaviro {

struct LogExportFormat {
  const char* filter;     // the save dialog's filter, "name|pattern|...||"
  const char* extension;  // always appended to the chosen name
  char cellSeparator;
  char rowEnd;
};
inline constexpr LogExportFormat kLogText{"LOG Files(*.txt)|*.txt|所有文件(*.*)|*.*||", ".txt", ' ', '\n'};
inline constexpr LogExportFormat kLogSpreadsheet{"LOG Files(*.xls)|*.xls|所有文件(*.*)|*.*||", ".xls", '\t', '\r'};

// The file's bytes: GBK text, a separator after every cell, no header, no byte-order mark.
std::string LogExportBytes(const std::vector<LogRow>& rows, const LogExportFormat& format);

inline constexpr const char* kLogEmptyText = "内容为空!";
inline constexpr const char* kLogCannotWriteText = "无法创建文件：%s";

}  // namespace kaviro
