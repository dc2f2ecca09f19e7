#include "res/prompter.h"

#include <QFileDialog>
#include <QMessageBox>

namespace kaviro {

void MessageBoxPrompter::Message(QWidget* owner, const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? QString::fromUtf8(kAppTitle) : caption, text,
                  QMessageBox::Ok, owner);
  box.exec();
}

namespace {

// "name|pattern|name|pattern||": the names already show their patterns, as Qt filters want.
QString QtFilter(const QString& filter) {
  const QStringList parts = filter.split('|', Qt::SkipEmptyParts);
  QStringList names;
  for (int i = 0; i < parts.size(); i += 2) names << parts[i];
  return names.join(QStringLiteral(";;"));
}

}  // namespace

QString MessageBoxPrompter::SaveFileName(QWidget* owner, const QString& filter) {
  return QFileDialog::getSaveFileName(owner, QString(), QString(), QtFilter(filter));
}

QString MessageBoxPrompter::OpenFileName(QWidget* owner, const QString& filter) {
  return QFileDialog::getOpenFileName(owner, QString(), QString(), QtFilter(filter));
}

QString MessageBoxPrompter::FolderName(QWidget* owner) { return QFileDialog::getExistingDirectory(owner); }

}  // namespace kaviro
