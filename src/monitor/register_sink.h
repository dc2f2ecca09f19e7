#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "monitor/decoder.h"
#include "monitor/register_tables.h"

namespace kaviro {

// Whatever shows the register list: one text into the value column of one row.
class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual void SetRowValue(size_t row, const std::string& text) = 0;
};

// Writes `text` into every row of `table` that shows `address`; an address without a row
// reaches nothing.
void SetRegisterText(RegisterTable table, RowSink& sink, uint16_t address, const std::string& text);

// Places every register text of a decoded block.
void PlaceTexts(RegisterTable table, RowSink& sink, const DecodedTexts& texts);

}  // namespace kaviro
