#include "app/int_text.h"

namespace kaviro {

std::optional<int> ParseIntText(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok, 10);
  if (!ok) return std::nullopt;
  return value;
}

}  // namespace kaviro
