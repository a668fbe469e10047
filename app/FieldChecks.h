#pragma once

#include <string>
#include <vector>

#include "FieldPatterns.h"

// Whole-text checks of the parameter page's fields. Each builds its matcher anew.
bool IsIPAddressText(const std::string& text);
bool IsDigitsText(const std::string& text);
bool IsScheduleText(const std::string& text);

// Every match of the address search pattern in `subject`, left to right.
std::vector<std::string> FindAddresses(const std::string& subject);
