#include "Settings.h"

#include <limits>

namespace devicesim {

namespace {
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
}  // namespace

bool isDigitsText(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!isDigit(c)) return false;
  }
  return true;
}

bool isPortText(std::string_view text) {
  if (!isDigitsText(text)) return false;
  std::uint32_t value = 0;
  for (char c : text) {
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
    if (value > 65535) return false;
  }
  return true;
}

bool isDottedDecimalText(std::string_view text) {
  int groups = 0;
  std::size_t i = 0;
  while (true) {
    std::size_t digits = 0;
    int value = 0;
    while (i < text.size() && isDigit(text[i]) && digits < 4) {
      value = value * 10 + (text[i] - '0');
      ++digits;
      ++i;
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    ++groups;
    if (groups == 4) return i == text.size();
    if (i >= text.size() || text[i] != '.') return false;
    ++i;
  }
}

bool isMaskText(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c != 'x' && c != 'X' && c != '0' && c != '1') return false;
  }
  return true;
}

std::optional<std::int64_t> parseClockValue(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (!isDigitsText(text)) return std::nullopt;
  std::int64_t value = 0;
  constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (char c : text) {
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace devicesim
