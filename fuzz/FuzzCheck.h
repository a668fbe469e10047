#pragma once

#include <cstdio>
#include <cstdlib>

// A broken promise of the code under test is a finding like a crash: libFuzzer keeps the input
// that led to the abort.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)
