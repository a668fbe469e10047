#pragma once

#include <ctime>

// The calendar fields of `seconds` in the local time zone, through the reentrant call: the link
// thread and the window thread both stamp times.
inline std::tm LocalCalendarTime(std::time_t seconds) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  return local;
}
