#pragma once
#include <string>

namespace kaviro {

// One RFC 4180 field: quoted, with its quotes doubled, when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text);

}  // namespace kaviro
