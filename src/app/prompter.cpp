#include "app/prompter.h"

#include <QMessageBox>

namespace kaviro {

void MessageBoxPrompter::Message(QWidget* owner, const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? QString::fromUtf8(kAppTitle) : caption, text,
                  QMessageBox::Ok, owner);
  box.exec();
}

}  // namespace kaviro
