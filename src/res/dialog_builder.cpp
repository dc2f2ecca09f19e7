#include "res/dialog_builder.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "res/caption_room.h"
#include "res/ip_address_edit.h"

namespace kaviro::res {

namespace {

// Dialog units scale with the dialog font: 4 horizontal units per average character width,
// 8 vertical units per character height. The templates were laid out for a narrower font than
// the ones found here (a Chinese caption easily runs past its rectangle), so the units then grow
// until every caption fits: the layout keeps its proportions and no text is cut.
class DialogUnits {
 public:
  DialogUnits(const QFont& font, const DialogTemplate& tmpl) : metrics_(font) {
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    x_ = ((metrics_.horizontalAdvance(alphabet) / 26 + 1) / 2) / 4.0;
    y_ = metrics_.height() / 8.0;
    constexpr double kStep = 1.02;
    for (int round = 0; round < 200; ++round) {
      bool narrow = false, low = false;
      for (const ControlTemplate& c : tmpl.controls) {
        const QSize room = Rect(c).size();
        const QSize need = CaptionNeed(c, metrics_, room.width());
        narrow |= need.width() > room.width();
        low |= need.height() > room.height();
      }
      if (!narrow && !low) break;
      if (narrow) x_ *= kStep;
      if (low) y_ *= kStep;
    }
  }
  int X(int dlu) const { return static_cast<int>(dlu * x_ + 0.5); }
  int Y(int dlu) const { return static_cast<int>(dlu * y_ + 0.5); }
  QRect Rect(const ControlTemplate& c) const { return {X(c.x), Y(c.y), X(c.width), Y(c.height)}; }

 private:
  QFontMetrics metrics_;
  double x_, y_;  // pixels per dialog unit
};

QWidget* Make(const ControlTemplate& c, QDialog& dialog, QButtonGroup*& radios) {
  const QString text = QString::fromUtf8(c.text ? c.text : "");
  switch (c.kind) {
    case Kind::kLabel:
    case Kind::kLabelCentred:
    case Kind::kLabelRight: {
      auto* label = new QLabel(text, &dialog);
      label->setWordWrap(WrapsLabel(c));
      label->setAlignment((c.kind == Kind::kLabelCentred ? Qt::AlignHCenter
                           : c.kind == Kind::kLabelRight ? Qt::AlignRight
                                                         : Qt::AlignLeft) |
                          Qt::AlignVCenter);
      return label;
    }
    case Kind::kGroupBox: {
      auto* box = new QGroupBox(text, &dialog);
      box->lower();
      return box;
    }
    case Kind::kEdit:
    case Kind::kEditReadOnly: {
      auto* edit = new QLineEdit(text, &dialog);
      edit->setReadOnly(c.kind == Kind::kEditReadOnly);
      return edit;
    }
    case Kind::kDropList:
    case Kind::kDropListSorted:
    case Kind::kDropDown: {
      auto* combo = new QComboBox(&dialog);
      combo->setEditable(c.kind == Kind::kDropDown);
      combo->setInsertPolicy(QComboBox::NoInsert);
      return combo;
    }
    case Kind::kButton:
    case Kind::kDefaultButton: {
      auto* button = new QPushButton(text, &dialog);
      button->setAutoDefault(false);
      button->setDefault(c.kind == Kind::kDefaultButton);
      return button;
    }
    case Kind::kRadioGroup:
    case Kind::kRadio: {
      if (c.kind == Kind::kRadioGroup || !radios) {
        radios = new QButtonGroup(&dialog);
        radios->setExclusive(true);
      }
      auto* radio = new QRadioButton(text, &dialog);
      radio->setAutoExclusive(false);  // the group decides
      radios->addButton(radio, c.id);
      return radio;
    }
    case Kind::kCheckBox: return new QCheckBox(text, &dialog);
    case Kind::kIpAddress: return new IpAddressEdit(&dialog);
    case Kind::kReportList: {
      auto* list = new QTableWidget(&dialog);
      list->setShowGrid(true);
      list->setSelectionBehavior(QAbstractItemView::SelectRows);
      list->setEditTriggers(QAbstractItemView::NoEditTriggers);
      list->verticalHeader()->hide();
      list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
      return list;
    }
    case Kind::kTimePicker:
    case Kind::kDatePicker: {
      auto* picker = new QDateTimeEdit(&dialog);
      picker->setDisplayFormat(c.kind == Kind::kTimePicker ? QStringLiteral("HH:mm:ss") : QStringLiteral("yyyy/M/d"));
      return picker;
    }
    case Kind::kPanel: return new QWidget(&dialog);
  }
  return nullptr;
}

}  // namespace

void BuildDialog(QDialog& dialog, const DialogTemplate& tmpl) {
  const DialogUnits units(dialog.font(), tmpl);
  dialog.setWindowTitle(QString::fromUtf8(tmpl.caption));
  dialog.setFixedSize(units.X(tmpl.width), units.Y(tmpl.height));
  QButtonGroup* radios = nullptr;
  for (const ControlTemplate& c : tmpl.controls) {
    QWidget* w = Make(c, dialog, radios);
    if (c.kind != Kind::kRadio && c.kind != Kind::kRadioGroup) radios = nullptr;
    if (c.id >= 0) w->setObjectName(QString::number(c.id));
    // A drop-down's height in a template includes its open list; closed it is one line high.
    const int height = qobject_cast<QComboBox*>(w) ? w->sizeHint().height() : units.Y(c.height);
    w->setGeometry(units.X(c.x), units.Y(c.y), units.X(c.width), height);
    if (c.flags & kDisabled) w->setEnabled(false);
    if (c.flags & kHidden) w->setVisible(false);
  }
}

}  // namespace kaviro::res
