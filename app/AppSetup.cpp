#include "AppSetup.h"

#include <QApplication>

void SetUpApplication() {
  QApplication::setApplicationName(QStringLiteral("Tagwick"));
  // No display name: on X11 Qt appends it to every window title, and each title must read
  // exactly as the language file or the box gives it.
}
