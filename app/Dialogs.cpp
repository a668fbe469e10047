#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#ifdef _WIN32
#include <QDir>
#include <QStandardPaths>

#include "LanguageFolder.h"
#endif

BoxAnswer QtDialogs::MessageBox(QWidget* owner, const QString& text, const QString& title,
                                BoxIcon icon, BoxButtons buttons) {
  QMessageBox box(owner);
  box.setWindowTitle(title);
  box.setText(text);
  switch (icon) {
    case BoxIcon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case BoxIcon::Stop:
    case BoxIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case BoxIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
  }
  if (buttons == BoxButtons::OkCancel) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  return box.exec() == QMessageBox::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
}

std::optional<QString> QtDialogs::SaveFileName(QWidget* owner, const QString& fileName,
                                               const QString& filter) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The operator's name is used exactly as typed, and an existing file is replaced silently.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilter(filter);
#ifdef _WIN32
  // The dialog opens in the working folder; where the user may not write there (an installation
  // under Program Files), it opens in the user's Documents instead.
  if (!CanCreateFileIn(QDir::currentPath().toStdString()))
    dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
#endif
  dialog.selectFile(fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtDialogs::OpenFileName(QWidget* owner, const QString& filter) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(filter);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}
