#pragma once

#include <QString>
#include <exception>
#include <utility>

#include "Dialogs.h"

// The error box for an error that escapes a handler: error icon, the application title, and a
// full stop after a message whose last character sorts after ".".
QString ErrorBoxText(const QString& message);
void ShowErrorBox(Dialogs& dialogs, QWidget* owner, const QString& message);

// Runs a handler so that nothing it throws reaches the Qt event loop; the window keeps running.
template <typename F>
void Guarded(Dialogs& dialogs, QWidget* owner, F&& handler) {
  try {
    std::forward<F>(handler)();
  } catch (const std::exception& error) {
    ShowErrorBox(dialogs, owner, QString::fromUtf8(error.what()));
  } catch (...) {
    ShowErrorBox(dialogs, owner, QString());
  }
}
