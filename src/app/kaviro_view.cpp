#include "app/kaviro_view.h"

#include <QHeaderView>

#include "link/text_format.h"

namespace kaviro {

namespace {

struct Column {
  const char* english;
  int englishWidth;
  const char* chinese;
  int chineseWidth;
};

constexpr Column kColumns[] = {
    {"ID", 50, "编号", 100},        {"Addr", 50, "地址", 100}, {"Description", 300, "描述", 400},
    {"Value", 140, "数值", 200},    {"Units", 50, "单位", 50}, {"   ", 100, "   ", 100},
};

}  // namespace

CKAVIROView::CKAVIROView(QWidget* parent) : QTableWidget(parent) {
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);  // list-view rows, not spreadsheet cells
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setStretchLastSection(false);
}

void CKAVIROView::SetUpColumns(int language) {
  if (language != 0 && language != 1) return;
  setColumnCount(std::size(kColumns));
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    const Column& c = kColumns[i];
    setHorizontalHeaderItem(i, new QTableWidgetItem(QString::fromUtf8(language == 0 ? c.english : c.chinese)));
    setColumnWidth(i, language == 0 ? c.englishWidth : c.chineseWidth);
  }
}

void CKAVIROView::Fill(RegisterTable table) {
  setRowCount(static_cast<int>(table.size()));
  for (int row = 0; row < static_cast<int>(table.size()); ++row) {
    const RegisterDescriptor& d = table[static_cast<size_t>(row)];
    const bool separator = d.address == kSeparatorAddress;
    const QString cells[] = {
        separator ? QString() : QString::fromStdString(Format("%05d", row + 1)),
        separator ? QString() : QString::fromStdString(Format("0X%04X", d.address)),
        separator ? QString() : QString::fromUtf8(d.description.data(), static_cast<qsizetype>(d.description.size())),
        QString(),
        separator ? QString() : QString::fromUtf8(d.unit.data(), static_cast<qsizetype>(d.unit.size())),
        QString(),
    };
    for (int column = 0; column < columnCount() && column < static_cast<int>(std::size(cells)); ++column)
      setItem(row, column, new QTableWidgetItem(cells[column]));
  }
}

void CKAVIROView::SetRowValue(size_t row, const std::string& text) {
  if (QTableWidgetItem* cell = item(static_cast<int>(row), kValueColumn)) cell->setText(QString::fromStdString(text));
}

void CKAVIROView::ClearValues() {
  for (int row = 0; row < rowCount(); ++row)
    if (QTableWidgetItem* cell = item(row, kValueColumn)) cell->setText(QString());
}

QString CKAVIROView::Text(int row, int column) const {
  const QTableWidgetItem* cell = item(row, column);
  return cell ? cell->text() : QString();
}

}  // namespace kaviro
