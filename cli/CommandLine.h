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

enum class Verb { Help, Get, Set, Reboot, Inventory, Test, Scan, Commission };

// scan: the addresses FIRST to LAST, host byte order.
struct ScanRange {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  std::uint16_t port = 11002;
};

// commission: the plan and what to do with it.
struct SiteOptions {
  std::string planPath;
  int jobs = 16;
  int retries = 2;
  std::optional<std::string> reportPath;
  std::optional<std::string> skipOkPath;
  bool reboot = false;
  bool dryRun = false;
};

// One checked command line. Every request is built here, before anything is sent.
struct Command {
  Verb verb = Verb::Help;
  DeviceAddress device;
  double timeoutSeconds = 2;
  bool json = false;
  // Take replies and reports from any address, not only the device's (address translation).
  bool anySender = false;
  std::string item;                    // get/set: gateway, deviceid, network, clock, antlist
  std::string request;                 // get/set/reboot: the printed request
  std::string replyKey;                // get/set: the key of the handler that claims the reply
  double seconds = 0;                  // inventory
  std::optional<std::string> csvPath;  // inventory, test
  std::string recipePath;              // test
  std::optional<std::string> junitPath;
  std::optional<std::string> jsonPath;
  ScanRange scan;
  SiteOptions site;
  std::string helpText;  // help: what --help or --version prints
};

extern const char kUsage[];

// Throws UsageError for a command line that does not fit the usage, InputError for an argument
// that the window's checks refuse.
Command ParseCommandLine(int argc, const char* const* argv);

// "ADDRESS[:PORT]" checked as the window checks an address, and as a real dotted quad;
// `argument` names it in the refusal ("--device", "device").
DeviceAddress ParseDeviceAddress(const std::string& argument, const std::string& text);
