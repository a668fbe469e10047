#pragma once

#include <string>

#include "Json.h"

// An object of string members on one line, for output that a script reads line by line.
std::string JsonLine(const JsonMembers& members);
