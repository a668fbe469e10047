#pragma once

// Ctrl-C as something to wait on: after Install(), the first SIGINT (or SIGTERM) makes the returned
// descriptor readable instead of ending the process; a second one ends it as usual.
int InstallInterruptPipe();
