#include "ThreadPriority.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

void YieldToOtherThreads() {
#ifdef _WIN32
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#else
  // On Linux a nice value set for a thread id holds for that thread alone. 10 gives it about a
  // tenth of the share of an ordinary thread it competes with: behind the receive thread, but
  // still far more than a busy tag stream needs.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
#endif
}
