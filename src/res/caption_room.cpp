#include "res/caption_room.h"

#include <QApplication>
#include <QStyle>

namespace kaviro::res {

bool WrapsLabel(const ControlTemplate& c) {
  return (c.kind == Kind::kLabel || c.kind == Kind::kLabelCentred || c.kind == Kind::kLabelRight) && c.height >= 16;
}

QSize CaptionNeed(const ControlTemplate& c, const QFontMetrics& m, int width) {
  const QString text = QString::fromUtf8(c.text ? c.text : "");
  if (text.isEmpty()) return {};
  const QStyle* style = QApplication::style();
  switch (c.kind) {
    case Kind::kLabel:
    case Kind::kLabelCentred:
    case Kind::kLabelRight:
      if (WrapsLabel(c)) return m.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, text).size();
      return m.size(0, text);
    case Kind::kButton:
    case Kind::kDefaultButton: {
      const int frame = style->pixelMetric(QStyle::PM_ButtonMargin) + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
      return {m.horizontalAdvance(text) + frame, m.height()};
    }
    case Kind::kRadio:
    case Kind::kRadioGroup:
    case Kind::kCheckBox: {
      const bool radio = c.kind != Kind::kCheckBox;
      const int indicator = style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth) +
                            style->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing);
      return {m.horizontalAdvance(text) + indicator, m.height()};
    }
    case Kind::kGroupBox: return {m.horizontalAdvance(text) + 2 * m.averageCharWidth(), 0};
    default: return {};
  }
}

}  // namespace kaviro::res
