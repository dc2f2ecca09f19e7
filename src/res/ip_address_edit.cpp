#include "res/ip_address_edit.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

namespace kaviro::res {

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i) row->addWidget(new QLabel(".", this));
    fields_[i] = new QLineEdit(this);
    fields_[i]->setValidator(new QIntValidator(0, 255, fields_[i]));
    fields_[i]->setAlignment(Qt::AlignCenter);
    fields_[i]->setFrame(false);
    fields_[i]->setObjectName(QStringLiteral("octet%1").arg(i));
    row->addWidget(fields_[i], 1);
  }
}

uint32_t IpAddressEdit::Address() const {
  uint32_t address = 0;
  for (QLineEdit* f : fields_) address = address << 8 | (static_cast<uint32_t>(f->text().toUInt()) & 0xFF);
  return address;
}

void IpAddressEdit::SetAddress(uint32_t address) {
  for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->setText(QString::number((address >> (24 - 8 * i)) & 0xFF));
}

void IpAddressEdit::SetOctetText(int index, const QString& text) { fields_.at(static_cast<size_t>(index))->setText(text); }

void IpAddressEdit::Clear() {
  for (QLineEdit* f : fields_) f->clear();
}

}  // namespace kaviro::res
