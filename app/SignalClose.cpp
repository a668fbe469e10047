#include "SignalClose.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <cerrno>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
// How often a close waits for a modal dialog to have gone.
constexpr int kModalRetryMs = 50;

int writeEnd = -1;

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // Only async-signal-safe calls here; a full pipe already says enough.
  [[maybe_unused]] const ssize_t ignored = ::write(writeEnd, &byte, 1);
  errno = saved;
}

}  // namespace

SignalClose::SignalClose(QWidget& window) : window(window) {
  // Without a pipe the signals keep their default action: the window ends as before.
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  writeEnd = ends[1];
  notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, &SignalClose::Received);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (const int signal : kSignals) sigaction(signal, &action, nullptr);
}

SignalClose::~SignalClose() {
  if (ends[0] < 0) return;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (const int signal : kSignals) sigaction(signal, &action, nullptr);
  writeEnd = -1;
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
