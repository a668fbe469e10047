#include "AppSetup.h"

#include <QApplication>
#include <QIcon>

void SetUpApplication() {
  QApplication::setApplicationName(QStringLiteral("Tagwick"));
  // No display name: on X11 Qt appends it to every window title, and each title must read
  // exactly as the language file or the box gives it.
  // The desktop entry's name, so that a shell matches the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.tagwick.Tagwick"));
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/tagwick-48.png"));
  icon.addFile(QStringLiteral(":/icons/tagwick-256.png"));
  QApplication::setWindowIcon(icon);
}
