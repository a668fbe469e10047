#pragma once

#include <string>

// Letter case as the profile routines and locale names know it: ASCII only, whatever the
// process's locale.
inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLowered(std::string s) {
  for (char& c : s) c = AsciiLower(c);
  return s;
}
