#include "CsvCell.h"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// An optional sign, digits, and an optional fraction: what a spreadsheet reads as a number and
// never as a formula.
bool PlainDecimal(std::string_view cell) {
  std::size_t i = 0;
  if (i < cell.size() && (cell[i] == '-' || cell[i] == '+')) ++i;
  const std::size_t digits = i;
  while (i < cell.size() && IsDigit(cell[i])) ++i;
  if (i == digits) return false;
  if (i < cell.size() && cell[i] == '.') {
    const std::size_t fraction = ++i;
    while (i < cell.size() && IsDigit(cell[i])) ++i;
    if (i == fraction) return false;
  }
  return i == cell.size();
}

bool NeedsGuard(std::string_view cell) {
  if (cell.empty() || PlainDecimal(cell)) return false;
  switch (cell.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
      return true;
    case '\'':
      return NeedsGuard(cell.substr(1));
    default:
      return false;
  }
}

}  // namespace

std::string GuardCell(std::string_view cell) {
  return NeedsGuard(cell) ? "'" + std::string(cell) : std::string(cell);
}

std::string UnguardCell(std::string_view cell) {
  if (!cell.empty() && cell.front() == '\'' && NeedsGuard(cell.substr(1)))
    return std::string(cell.substr(1));
  return std::string(cell);
}
