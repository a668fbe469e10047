#include "ErrorGuard.h"

QString ErrorBoxText(const QString& message) {
  if (!message.isEmpty() && message.back() > QChar('.')) return message + '.';
  return message;
}

void ShowErrorBox(Dialogs& dialogs, QWidget* owner, const QString& message) {
  dialogs.MessageBox(owner, ErrorBoxText(message), QStringLiteral("Tagwick"), BoxIcon::Error,
                     BoxButtons::Ok);
}
