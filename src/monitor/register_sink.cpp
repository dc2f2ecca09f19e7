#include "monitor/register_sink.h"

namespace kaviro {

void SetRegisterText(RegisterTable table, RowSink& sink, uint16_t address, const std::string& text) {
  for (size_t row = 0; row < table.size(); ++row) {
    if (ShowsRegister(table[row], address)) sink.SetRowValue(row, text);
  }
}

void PlaceTexts(RegisterTable table, RowSink& sink, const DecodedTexts& texts) {
  for (const RegisterText& entry : texts.registers) SetRegisterText(table, sink, entry.address, entry.text);
}

}  // namespace kaviro
