// The device's stored settings and the checks it applies to values it is asked to store.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Types.h"

namespace devicesim {

// Defaults resemble a reader fresh from the factory; the network address matches the tool's
// default device address 192.168.12.1 (the simulator itself stays on loopback whatever is set).
struct DeviceSettings {
  std::string gatewayIp = "192.168.12.100";
  std::string gatewayPort = "9090";
  std::string deviceId = "10001";
  std::string networkMode = "static";
  std::string networkIp = "192.168.12.1";
  std::string networkMask = "255.255.255.0";
  std::string networkGateway = "192.168.12.254";
  std::string networkDns1 = "8.8.8.8";
  std::string networkDns2 = "4.2.2.2";
  std::string antList = "x011xxxxxxxxxxxxxxxx";
  std::string modList = "xxx1";
  std::string schedule = "0:00-23:59/";
};

// One or more characters 0-9 and nothing else.
bool isDigitsText(std::string_view text);
// Digits only, value 0-65535 (leading zeros allowed).
bool isPortText(std::string_view text);
// Four groups of one to three digits, each 0-255, separated by single dots. Stricter than the
// tool's own field pattern (which lets any character stand for a dot), as a device would be.
bool isDottedDecimalText(std::string_view text);
// A mask of "x", "0" and "1" characters, at least one (antlist/modlist).
bool isMaskText(std::string_view text);
// The clock value: optional minus sign, digits, within the signed 32-bit range.
std::optional<std::int64_t> parseClockValue(std::string_view text);

// The device's real-time clock: seconds since 1970, advancing with (injected) time from the
// value last set.
class DeviceClock {
 public:
  DeviceClock(std::int64_t seconds, TimePoint at) : base_(seconds), setAt_(at) {}
  void set(std::int64_t seconds, TimePoint at) {
    base_ = seconds;
    setAt_ = at;
  }
  std::int64_t read(TimePoint now) const {
    return base_ + std::chrono::floor<std::chrono::seconds>(now - setAt_).count();
  }

 private:
  std::int64_t base_;
  TimePoint setAt_;
};

}  // namespace devicesim
