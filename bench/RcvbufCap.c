/* Preloaded by bench/drops.sh where net.core.rmem_max is above a desktop's stock 212992 bytes:
 * the receive buffer an unprivileged process may ask for is capped as that system would cap
 * it, and the privileged request fails as it does for such a process. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <sys/socket.h>

enum { kStockCap = 212992 };

int setsockopt(int fd, int level, int name, const void* value, socklen_t length) {
  static int (*next)(int, int, int, const void*, socklen_t);
  if (!next) next = (int (*)(int, int, int, const void*, socklen_t))dlsym(RTLD_NEXT, "setsockopt");
  if (level == SOL_SOCKET && name == SO_RCVBUFFORCE) {
    errno = EPERM;
    return -1;
  }
  if (level == SOL_SOCKET && name == SO_RCVBUF && length == sizeof(int) && *(const int*)value > kStockCap) {
    const int capped = kStockCap;
    return next(fd, level, name, &capped, sizeof capped);
  }
  return next(fd, level, name, value, length);
}
