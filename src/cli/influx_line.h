#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/row_values.h"

namespace kaviro::cli {

// One poll in InfluxDB line protocol: measurement "kaviro", the tags as given, a field per
// register (integers with the i suffix, reals as floats, texts quoted), nanoseconds since 1970.
using InfluxTags = std::vector<std::pair<std::string, std::string>>;
void WriteInflux(std::ostream& out, const InfluxTags& tags, const std::vector<RowValue>& fields,
                 int64_t unixNanoseconds);

}  // namespace kaviro::cli
