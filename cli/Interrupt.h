#pragma once

// Ctrl-C, SIGTERM and SIGHUP as something to wait on: after Install(), the first of them makes
// the returned descriptor readable instead of ending the process; a second one of the same kind
// ends it as usual.
int InstallInterruptPipe();
