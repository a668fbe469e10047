#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The device to talk to: a dotted-decimal IPv4 address and a UDP port.
struct DeviceAddress {
  std::string address;
  std::uint16_t port = 11002;

  std::string Text() const { return address + ":" + std::to_string(port); }
};

enum class Verb { Help, Get, Set, Reboot, Inventory };

// One checked command line. Every request is built here, before anything is sent.
struct Command {
  Verb verb = Verb::Help;
  DeviceAddress device;
  double timeoutSeconds = 2;
  bool json = false;
  std::string item;      // get/set: gateway, deviceid, network, clock, antlist
  std::string request;   // get/set/reboot: the printed request
  std::string replyKey;  // get/set: the key of the handler that claims the reply
  double seconds = 0;    // inventory
  std::optional<std::string> csvPath;
  // Take replies and reports from any address, not only the device's (address translation).
  bool anySender = false;
};

extern const char kUsage[];

// Throws UsageError for a command line that does not fit the usage, InputError for an argument
// that the window's checks refuse.
Command ParseCommandLine(int argc, const char* const* argv);
