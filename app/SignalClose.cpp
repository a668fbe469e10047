#include "SignalClose.h"

#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include "SignalPipe.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
// How often a close waits for a modal dialog to have gone.
constexpr int kModalRetryMs = 50;

}  // namespace

SignalClose::SignalClose(QWidget& window) : window(window) {
  // Without a pipe the signals keep their default action: the window ends as before.
  if (!InstallSignalPipe(kSignals, SA_RESTART, ends)) return;
  notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, &SignalClose::Received);
}

SignalClose::~SignalClose() {
  if (ends[0] < 0) return;
  RestoreSignals(kSignals);
  delete notifier;
  ::close(ends[0]);
  ::close(ends[1]);
}

void SignalClose::Received() {
  char bytes[64];
  while (::read(ends[0], bytes, sizeof bytes) > 0) {
  }
  CloseWhenFree();
}

void SignalClose::CloseWhenFree() {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    modal->close();
    QTimer::singleShot(kModalRetryMs, this, &SignalClose::CloseWhenFree);
    return;
  }
  window.close();
}
