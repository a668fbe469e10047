#include "Interrupt.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "SignalPipe.h"

int InstallInterruptPipe() {
  // A logout (SIGHUP) and a stop by the system or a script (SIGTERM) end a run as Ctrl-C does.
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  int ends[2];
  if (!InstallSignalPipe(kSignals, 0, ends)) {
    throw std::runtime_error(std::string("cannot create a pipe: ") + std::strerror(errno));
  }
  return ends[0];
}

void IgnoreBrokenPipe() {
  ::signal(SIGPIPE, SIG_IGN);
}

bool StdoutReaderGone() {
  // A pipe whose reader has closed it reports an error condition on the writing end.
  pollfd out{STDOUT_FILENO, 0, 0};
  return ::poll(&out, 1, 0) == 1 && (out.revents & POLLERR);
}
