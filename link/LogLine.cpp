#include "LogLine.h"

#include <cstdio>

#include "LocalTime.h"

std::string FormatLogLine(const std::string& text, const std::tm& localTime) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", localTime.tm_hour % 100,
                localTime.tm_min % 100, localTime.tm_sec % 100);
  return std::string(stamp) + " ==> " + text;
}

std::string FormatLogLine(const std::string& text) {
  return FormatLogLine(text, LocalCalendarTime(std::time(nullptr)));
}
