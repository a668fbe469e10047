#include "AppSetup.h"

#include <QApplication>
#include <QIcon>

void SetUpApplication() {
  QApplication::setApplicationName(QStringLiteral("Tagwick"));
  // No display name: on X11 Qt appends it to every window title, and each title must read
  // exactly as the language file or the box gives it.
  // The desktop entry's name, so that a shell matches the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.tagwick.Tagwick"));
  // The 48-pixel size only: on X11 every window and box carries its icon's pixels in a property,
  // and 256 pixels (256 KB each) slow down each box that opens; the menu takes the icon theme's.
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tagwick-48.png")));
}
