#include "tools/common/int_text.h"

#include <limits>

#include "tools/common/typed_number.h"

namespace kaviro {

std::optional<int> ParseIntText(std::string_view text) {
  const std::optional<int64_t> value = TypedUnits(text, NumberKind::kWhole);
  if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max())
    return std::nullopt;
  return static_cast<int>(*value);
}

}  // namespace kaviro
