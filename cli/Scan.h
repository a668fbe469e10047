#pragma once

#include "CommandLine.h"

// scan: asks every address of the range for its device ID, as the window asks one device, and
// lists those that answer. Answers the exit code: 0 when one answered, 5 when none did.
int RunScan(const Command& command);
