#include "SignalPipe.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

int writeEnd = -1;

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // Only async-signal-safe calls here; a full pipe already says enough.
  [[maybe_unused]] const ssize_t ignored = ::write(writeEnd, &byte, 1);
  errno = saved;
}

void SetAction(std::span<const int> numbers, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  for (const int signal : numbers) sigaction(signal, &action, nullptr);
}

}  // namespace

bool InstallSignalPipe(std::span<const int> numbers, int flags, int (&ends)[2]) {
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  writeEnd = ends[1];
  SetAction(numbers, OnSignal, flags | SA_RESETHAND);
  return true;
}

void RestoreSignals(std::span<const int> numbers) {
  SetAction(numbers, SIG_DFL, 0);
  writeEnd = -1;
}
