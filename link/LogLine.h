#pragma once

#include <ctime>
#include <string>

// "hh:mm:ss ==> text" with the given local time.
std::string FormatLogLine(const std::string& text, const std::tm& localTime);
// The same with the local time now.
std::string FormatLogLine(const std::string& text);
