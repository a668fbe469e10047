#include "Interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

int writeEnd = -1;

void OnInterrupt(int) {
  const int saved = errno;
  const char byte = 1;
  // Only async-signal-safe calls here; a full pipe already says enough.
  [[maybe_unused]] const ssize_t ignored = ::write(writeEnd, &byte, 1);
  errno = saved;
}

}  // namespace

int InstallInterruptPipe() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::runtime_error(std::string("cannot create a pipe: ") + std::strerror(errno));
  }
  writeEnd = ends[1];
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  // A logout (SIGHUP) and a stop by the system or a script (SIGTERM) end a run as Ctrl-C does.
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
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
