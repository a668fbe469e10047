#pragma once

#include "CommandLine.h"

// commission: applies a plan to a site of devices, several at once, and reports on each.
// Answers the exit code: 0 every device ok, 2 a bad plan (nothing sent), 6 any device not ok.
int RunCommission(const Command& command);
