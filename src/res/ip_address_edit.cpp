#include "res/ip_address_edit.h"

#include <QHBoxLayout>
#include <algorithm>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace kaviro::res {

namespace {

// Up to three digits of at most 255: a keystroke that would make more is refused, as the
// system's address control refuses it.
class OctetValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    if (input.isEmpty()) return Intermediate;
    bool ok = false;
    const int v = input.toInt(&ok, 10);
    const bool digits = std::all_of(input.begin(), input.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return digits && ok && input.size() <= 3 && v <= 255 ? Acceptable : Invalid;
  }
};

std::optional<uint32_t> OctetOf(const QString& text) {
  QString copy = text;
  int at = 0;
  if (OctetValidator().validate(copy, at) != QValidator::Acceptable) return std::nullopt;
  return static_cast<uint32_t>(text.toUInt());
}

}  // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i) row->addWidget(new QLabel(".", this));
    fields_[i] = new QLineEdit(this);
    fields_[i]->setValidator(new OctetValidator(fields_[i]));
    fields_[i]->setAlignment(Qt::AlignCenter);
    fields_[i]->setFrame(false);
    fields_[i]->setObjectName(QStringLiteral("octet%1").arg(i));
    row->addWidget(fields_[i], 1);
  }
}

std::optional<uint32_t> IpAddressEdit::Address() const {
  if (std::all_of(fields_.begin(), fields_.end(), [](const QLineEdit* f) { return f->text().isEmpty(); })) return 0u;
  uint32_t address = 0;
  for (const QLineEdit* f : fields_) {
    const std::optional<uint32_t> octet = OctetOf(f->text());
    if (!octet) return std::nullopt;
    address = address << 8 | *octet;
  }
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
