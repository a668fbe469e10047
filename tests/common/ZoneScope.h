#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "PosixOnWindows.h"

// Puts the process in the given zone for one test and restores the previous one after.
class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneScope() {
    if (saved) {
      setenv("TZ", saved->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  ZoneScope(const ZoneScope&) = delete;
  ZoneScope& operator=(const ZoneScope&) = delete;

 private:
  std::optional<std::string> saved;
};
