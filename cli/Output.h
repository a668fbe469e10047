#pragma once

#include <string>

#include "Json.h"

// Results go to stdout, messages to stderr.

// `key=value` lines, or with `json` one JSON object of string members.
void PrintValues(const JsonMembers& values, bool json);
// One line on stderr, prefixed with the program's name.
void Message(const std::string& text);
// Flushes stdout and answers the run's exit code: `code`, or kExitFailure when the output could
// not be written, with a message unless the reader has simply gone (a closed pipe).
int FinishOutput(int code);
// Seconds as a short decimal text: "2", "0.5".
std::string SecondsText(double seconds);
