// The command line of tagwick-devicesim.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Simulator.h"

namespace devicesim {

struct Options {
  std::string bind = "127.0.0.1";
  std::uint16_t port = 11002;
  Config config;
};

struct ParseOutcome {
  enum class Status { Run, Help, Error };
  Status status = Status::Run;
  Options options;
  std::string message;  // the error, for Status::Error
};

// args without the program name. Accepts "--name value" and "--name=value".
ParseOutcome parseCommandLine(const std::vector<std::string>& args);
std::string usageText();

// Whether a dotted IPv4 literal lies in 127.0.0.0/8; address receives it in host order.
bool parseLoopbackAddress(const std::string& text, std::uint32_t& address);

}  // namespace devicesim
