#pragma once

// Ctrl-C, SIGTERM and SIGHUP as something to wait on: after Install(), the first of them makes
// the returned descriptor readable instead of ending the process; a second one of the same kind
// ends it as usual.
int InstallInterruptPipe();

// A write to a closed pipe fails with EPIPE instead of ending the process, so that a run piped
// into `head` still stops the device and writes its files.
void IgnoreBrokenPipe();
// Whether stdout is a pipe whose reader has gone, so that the failed write needs no message.
bool StdoutReaderGone();
