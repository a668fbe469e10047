#include <QApplication>
#include <QMessageBox>
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
