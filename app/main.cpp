#include <QApplication>
#include <QMessageBox>
#ifdef _WIN32
#include <QScreen>
#endif
#include <exception>

#include "AppSetup.h"
#include "Dialogs.h"
#include "ErrorGuard.h"
#ifndef _WIN32
#include "SignalClose.h"
#endif
#include "Sound.h"
#include "Umainform.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  SetUpApplication();
  QtDialogs dialogs;
  try {
    PulseSound sound([] { QApplication::beep(); });
    TMainForm form(dialogs, sound);
    form.FormCreate();
#ifdef _WIN32
    // The design's fixed single frame without maximise: Windows keeps its resizing frame for a
    // fixed-size window unless asked.
    form.setWindowFlags((form.windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) &
                        ~Qt::WindowMaximizeButtonHint);
    // Centred by its client area, as on Linux: a move() places the frame's corner on Windows.
    if (QScreen* screen = QGuiApplication::primaryScreen())
      form.setGeometry(
          QRect(screen->availableGeometry().center() - form.rect().center(), form.size()));
#endif
    form.show();
#ifndef _WIN32
    SignalClose closeOnSignal(form);
#endif
    return app.exec();
  } catch (const std::exception& error) {
    ShowErrorBox(dialogs, nullptr, QString::fromUtf8(error.what()));
  } catch (...) {
    ShowErrorBox(dialogs, nullptr, QString());
  }
  return 1;
}
