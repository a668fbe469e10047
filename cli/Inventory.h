#pragma once

#include <string>

#include <cstdint>
#include <functional>
#include <optional>

#include "CommandLine.h"
#include "MemoryGrid.h"
#include "ReadStats.h"
#include "TagTable.h"

// The header texts of the tag grid as the window shows them in English: the numbered texts of
// the shipped English file, looked for as the window looks for its files (Language/ below the
// working directory), then in the source tree; "***" as the window shows without a language.
std::string EnglishHeaderText(int number);

// One run of the device's inventory test and what it saw.
struct ReadTestRun {
  bool readDeviceId = false;  // ask the device its ID first
  std::optional<std::string> deviceId;
  MemoryGrid grid;
  EpcMap epcMap;
  ReadStats stats;
  std::size_t tags = 0;
  long long reads = 0;
  double seconds = 0;
  std::uint64_t dropped = 0;
  std::uint64_t accepted = 0;
  bool interrupted = false;
  ReadStats::Clock::time_point end;
};

// Starts the device's inventory test, processes every report into the window's tag table and
// the statistics for `seconds`, until Ctrl-C, or until `done` (asked a few times a second) says
// so, and stops it. False, with a message and no test started, when the device ID was asked for
// and did not come.
bool RunReadTest(const Command& command, ReadTestRun& run, double seconds,
                 const std::function<bool()>& done);

// Starts the device's inventory, processes every report for the command's seconds (or until
// Ctrl-C) into the window's tag table, stops it, prints the summary and writes the CSV.
int RunInventory(const Command& command);
