#pragma once

// The few POSIX calls the window tests use, for the Windows build of the same tests.
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <process.h>

#include <cstdlib>
#include <cstring>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && std::getenv(name)) return 0;
  return _putenv_s(name, value);
}

inline int unsetenv(const char* name) {
  return _putenv_s(name, "");
}

// Replaces the trailing XXXXXX and creates the directory, as POSIX does.
inline char* mkdtemp(char* pattern) {
  if (_mktemp_s(pattern, std::strlen(pattern) + 1) != 0) return nullptr;
  return _mkdir(pattern) == 0 ? pattern : nullptr;
}
#else
#include <unistd.h>
#endif
