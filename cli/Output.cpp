#include "Output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "ExitCodes.h"
#include "Interrupt.h"

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

int FinishOutput(int code) {
  errno = 0;
  std::cout.flush();
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if (flushed && std::cout && !std::ferror(stdout)) return code;
  if (StdoutReaderGone()) return kExitFailure;
  Message(std::string("cannot write the output: ") + std::strerror(error != 0 ? error : EIO));
  return kExitFailure;
}

std::string SecondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", seconds);
  return text;
}
