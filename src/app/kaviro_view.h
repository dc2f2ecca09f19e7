#pragma once
#include <QTableWidget>

#include "monitor/register_sink.h"
#include "monitor/register_tables.h"

namespace kaviro {

// The register list: one row per table entry, the value column filled by the poll.
class CKAVIROView final : public QTableWidget, public RowSink {
  Q_OBJECT
 public:
  static constexpr int kValueColumn = 3;

  explicit CKAVIROView(QWidget* parent = nullptr);
  // Columns, headings and widths of the language; nothing for an unknown language.
  void SetUpColumns(int language);
  // Number, address, description and unit of every row; separators stay blank.
  void Fill(RegisterTable table);
  void SetRowValue(size_t row, const std::string& text) override;
  void ClearValues();
  QString Text(int row, int column) const;
};

}  // namespace kaviro
