#pragma once

#include "CommandLine.h"

// Judges a reader against a recipe: reads the device ID, runs the inventory test for the
// recipe's time (or until every criterion is met, when it says so), prints every criterion and
// the verdict, and writes the JUnit, JSON and CSV files asked for. PASS exits 0, FAIL 7.
int RunTest(const Command& command);
