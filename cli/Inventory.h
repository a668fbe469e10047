#pragma once

#include <string>

#include "CommandLine.h"
#include "TagGrid.h"

// The header texts of the tag grid as the window shows them in English: the numbered texts of
// the shipped English file, looked for as the window looks for its files (Language/ below the
// working directory), then in the source tree; "***" as the window shows without a language.
std::string EnglishHeaderText(int number);

// Starts the device's inventory, processes every report for the command's seconds (or until
// Ctrl-C) into the window's tag table, stops it, prints the summary and writes the CSV.
int RunInventory(const Command& command);
