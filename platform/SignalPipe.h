#pragma once

#include <span>

// Signals as something to wait on (POSIX only). Each signal of `numbers` then writes one byte to a
// non-blocking pipe instead of ending the process, so that an event loop or a poll sees it on
// `ends[0]`; the second of the same kind ends the process as usual. `flags` are added to the
// action's (SA_RESTART, say). One pipe serves the whole process.
// False, with errno set and the signals left as they were, when there is no pipe.
bool InstallSignalPipe(std::span<const int> numbers, int flags, int (&ends)[2]);

// The signals get their default action back and the pipe is no longer written; closing its ends
// is the caller's.
void RestoreSignals(std::span<const int> numbers);
