#include "LogLine.h"

#include <cstdio>

std::string FormatLogLine(const std::string& text, const std::tm& localTime) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", localTime.tm_hour % 100,
                localTime.tm_min % 100, localTime.tm_sec % 100);
  return std::string(stamp) + " ==> " + text;
}

std::string FormatLogLine(const std::string& text) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return FormatLogLine(text, local);
}
