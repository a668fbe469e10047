// The command line of tagwick-devicesim.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Simulator.h"

namespace devicesim {

// Faults for some devices of a site only, by device number (1 = the --bind address).
struct DeviceFaults {
  std::vector<std::uint32_t> devices;
  FaultShares faults;
};

struct Options {
  std::string bind = "127.0.0.1";
  std::uint16_t port = 11002;
  Config config;
  // A site: this many devices on consecutive addresses from --bind, all on the same port.
  std::uint32_t devices = 1;
  std::vector<DeviceFaults> deviceFaults;  // later entries win
};

// The configuration of device `number` (1-based) of the site.
Config configFor(const Options& options, std::uint32_t number);

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
