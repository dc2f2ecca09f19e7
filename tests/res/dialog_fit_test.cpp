// Every dialog built from its template shows each caption whole, in the fonts this tool meets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>

#include "res/dialog_builder.h"
#include "res/templates.h"

namespace kaviro::res {
namespace {

// The text area the widget's own style gives its caption.
QRect CaptionArea(QAbstractButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  const QStyle::SubElement area = qobject_cast<QRadioButton*>(&button) ? QStyle::SE_RadioButtonContents
                                  : qobject_cast<QCheckBox*>(&button)  ? QStyle::SE_CheckBoxContents
                                                                       : QStyle::SE_PushButtonContents;
  return button.style()->subElementRect(area, &option, &button);
}

// What of `widget`'s caption falls outside the room it has; empty when it all shows.
QString Clipped(QWidget& widget) {
  if (auto* label = qobject_cast<QLabel*>(&widget)) {
    if (label->text().isEmpty()) return {};
    const QRect room = label->contentsRect();
    const int flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect drawn = label->fontMetrics().boundingRect(room, flags, label->text());
    return room.contains(drawn) ? QString() : label->text();
  }
  if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
    if (button->text().isEmpty()) return {};
    const QRect room = CaptionArea(*button);
    return button->fontMetrics().horizontalAdvance(button->text()) <= room.width() &&
                   button->fontMetrics().height() <= room.height()
               ? QString()
               : button->text();
  }
  if (auto* box = qobject_cast<QGroupBox*>(&widget))
    return box->fontMetrics().horizontalAdvance(box->title()) < box->width() ? QString() : box->title();
  return {};
}

struct FontCase {
  const char* name;
  const char* family;  // empty: the application's font
  int pointSize;
};
void PrintTo(const FontCase& f, std::ostream* os) { *os << f.name; }

const FontCase kFonts[] = {
    {"ApplicationFont", "", 0},
    {"MicroHei9", "WenQuanYi Micro Hei", 9},
    {"MicroHei14", "WenQuanYi Micro Hei", 14},
    {"DejaVu11", "DejaVu Sans", 11},
};

class DialogFit : public ::testing::TestWithParam<FontCase> {};

TEST_P(DialogFit, NoCaptionIsCut) {
  const FontCase& f = GetParam();
  for (const DialogTemplate* tmpl : kAllDialogs) {
    QDialog dialog;
    if (*f.family) dialog.setFont(QFont(QString::fromUtf8(f.family), f.pointSize));
    BuildDialog(dialog, *tmpl);
    int captions = 0;
    for (QWidget* w : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const QString clipped = Clipped(*w);
      EXPECT_TRUE(clipped.isEmpty()) << "dialog " << tmpl->resourceId << ": \"" << clipped.toStdString() << "\" ("
                                     << w->objectName().toStdString() << ") is cut at " << w->width() << "x"
                                     << w->height();
      captions += qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ? 1 : 0;
    }
    EXPECT_GT(captions, 0) << tmpl->resourceId;
  }
}

INSTANTIATE_TEST_SUITE_P(Res, DialogFit, ::testing::ValuesIn(kFonts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kaviro::res
