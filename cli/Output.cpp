#include "Output.h"

#include <cstdio>
#include <iostream>

void PrintValues(const JsonMembers& values, bool json) {
  if (json) {
    std::cout << PrintJsonObject(values) << '\n';
    return;
  }
  for (const auto& [key, value] : values) std::cout << key << '=' << value << '\n';
}

void Message(const std::string& text) {
  std::cerr << "tagwick-cli: " << text << '\n';
}

std::string SecondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", seconds);
  return text;
}
