#pragma once

#include <string>

// The patterns the parameter page checks its fields with, shared by every front end so that the
// window and the command line accept the same texts. Each is matched against the whole text.

// The last group stops at 254: a broadcast address is no device's own address.
inline constexpr const char kAddressPattern[] =
    "((2[0-4][0-9]|25[0-5]|[01]?[0-9]?[0-9]).){3}((2[0-4][0-9]|25[0-4]|[01]?[0-9]?[0-9]))";
inline constexpr const char kDigitsPattern[] = "\\d+";
inline constexpr const char kSchedulePattern[] =
    "((\\d{1,2}[:]\\d{1,2}[-]\\d{1,2}[:]\\d{1,2}[/+])+)";
// Searched for, not matched whole: finds every address in a text.
inline constexpr const char kAddressSearchPattern[] =
    "((2[0-4][0-9]|25[0-5]|[01]?[0-9]?[0-9]).){3}((2[0-4][0-9]|25[0-5]|[01]?[0-9]?[0-9]))";

// The text without leading and trailing blanks and control characters, as a field is checked.
inline std::string TrimText(const std::string& text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}
