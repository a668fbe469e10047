#pragma once

#include "CommandLine.h"

// get, set and reboot; each answers the exit code.
int RunGet(const Command& command);
int RunSet(const Command& command);
int RunReboot(const Command& command);
