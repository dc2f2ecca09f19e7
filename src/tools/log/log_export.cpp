#include "tools/log/log_export.h"

#include "link/gbk.h"

namespace kaviro {

std::string LogExportBytes(const std::vector<LogRow>& rows, const LogExportFormat& format) {
  std::string text;
  for (const LogRow& row : rows) {
    for (const std::string& cell : row) {
      text += cell;
      text += format.cellSeparator;
    }
    text += format.rowEnd;
  }
  return Utf8ToGbk(text);
}

}  // namespace kaviro
