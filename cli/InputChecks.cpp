#include "InputChecks.h"

#include <cstdint>
#include <ctime>
#include <regex>
#include <stdexcept>

#include "ExitCodes.h"
#include "FieldPatterns.h"
#include "LocalTime.h"
#include "Socket.h"

namespace {

// Compiled once: a plan checks thousands of cells. The classic locale's \d is 0-9 only, like
// the window's matcher without Unicode properties.
const std::regex kAddress(kAddressPattern, std::regex::ECMAScript);
const std::regex kDigits(kDigitsPattern, std::regex::ECMAScript);

void CheckArgument(const std::string& argument, const std::string& text,
                   bool (*check)(const std::string&), const char* what) {
  // A blank text passes the window's field check but is no value: refuse it like an empty one.
  if (TrimText(text).empty()) throw InputError(argument + " must not be empty");
  if (!check(TrimText(text))) throw InputError(argument + " '" + text + "' is not " + what);
}

}  // namespace

bool IsAddressText(const std::string& text) {
  return std::regex_match(text, kAddress);
}

bool IsDigitsOnlyText(const std::string& text) {
  return std::regex_match(text, kDigits);
}

void CheckAddressArgument(const std::string& argument, const std::string& text) {
  CheckArgument(argument, text, IsAddressText, "an IPv4 address");
}

void CheckDigitsArgument(const std::string& argument, const std::string& text) {
  CheckArgument(argument, text, IsDigitsOnlyText, "one or more digits");
}

void CheckOptionalAddressArgument(const std::string& argument, const std::string& text) {
  if (!text.empty()) CheckAddressArgument(argument, text);
}

void CheckDeviceAddress(const std::string& argument, const std::string& address) {
  std::uint32_t parsed = 0;
  if (!net::ParseAddress(address, parsed)) return;
  const std::uint32_t value = net::HostOrder(parsed);
  const char* why = nullptr;
  if ((value >> 24) == 0) why = "this host, not a device";
  if (value == 0xFFFFFFFFu) why = "the broadcast address, not one device";
  if ((value >> 28) == 0xE) why = "a multicast address, not one device";
  if (why) throw InputError(argument + " '" + address + "' is " + why);
}

double ParseSeconds(const std::string& argument, const std::string& text, double limit) {
  static const std::regex kNumber("[0-9]+(\\.[0-9]+)?");
  if (!std::regex_match(text, kNumber)) {
    throw InputError(argument + " '" + text + "' is not a number of seconds");
  }
  // Digits beyond what a double holds are out of range too, not an error of their own.
  double seconds = 0;
  try {
    seconds = std::stod(text);
  } catch (const std::out_of_range&) {
    seconds = limit + 1;
  }
  if (seconds <= 0 || seconds > limit) {
    throw InputError(argument + " '" + text + "' must be above 0 and at most " +
                     std::to_string(static_cast<long>(limit)));
  }
  return seconds;
}

CalendarTime ParseLocalTime(const std::string& text) {
  CalendarTime time;
  if (text == "now") {
    const std::tm local = LocalCalendarTime(std::time(nullptr));
    time = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
    return time;
  }
  static const std::regex kStamp(
      "([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})");
  std::smatch parts;
  if (!std::regex_match(text, parts, kStamp)) {
    throw InputError("clock '" + text + "' is neither now nor YYYY-MM-DDTHH:MM:SS");
  }
  auto part = [&](int i) { return std::stoi(parts[static_cast<std::size_t>(i)].str()); };
  return {part(1), part(2), part(3), part(4), part(5), part(6)};
}
