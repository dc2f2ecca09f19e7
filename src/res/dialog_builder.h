#pragma once
#include <QString>
#include <QWidget>

#include "res/dialog_template.h"

class QDialog;

namespace kaviro::res {

// Turns a template into widgets on `dialog`: caption, size and every control at its place,
// each findable by its numeric ID as object name.
void BuildDialog(QDialog& dialog, const DialogTemplate& tmpl);

// The widget of control `id` on `dialog` (nullptr when there is none).
template <typename W = QWidget>
W* Control(const QWidget& dialog, int id) {
  return dialog.findChild<W*>(QString::number(id));
}

}  // namespace kaviro::res
