#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

// SIGTERM (a logout, a service manager, `kill`), SIGHUP and SIGINT close `window` as the operator
// would, through its close event, so that the link says "debugstop" and the language choice is
// written. The handler only writes a byte to a pipe; the close runs from the event loop. A modal
// dialog open at that moment is closed first, as Escape would close it, so that the handler
// that opened it has returned before the window goes. A second signal of the same kind ends the
// process as usual. POSIX only.
class SignalClose : public QObject {
 public:
  explicit SignalClose(QWidget& window);
  // The signals get their default action back.
  ~SignalClose() override;
  SignalClose(const SignalClose&) = delete;
  SignalClose& operator=(const SignalClose&) = delete;

 private:
  void Received();
  void CloseWhenFree();

  QWidget& window;
  int ends[2] = {-1, -1};
  QSocketNotifier* notifier = nullptr;
};
