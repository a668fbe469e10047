#include "FieldChecks.h"

#include <QRegularExpression>

namespace {

// The last group stops at 254: a broadcast address is no device's own address.
const char* const kAddressPattern =
    "((2[0-4][0-9]|25[0-5]|[01]?[0-9]?[0-9]).){3}((2[0-4][0-9]|25[0-4]|[01]?[0-9]?[0-9]))";
const char* const kDigitsPattern = "\\d+";
const char* const kSchedulePattern = "((\\d{1,2}[:]\\d{1,2}[-]\\d{1,2}[:]\\d{1,2}[/+])+)";
const char* const kAddressSearchPattern =
    "((2[0-4][0-9]|25[0-5]|[01]?[0-9]?[0-9]).){3}((2[0-4][0-9]|25[0-5]|[01]?[0-9]?[0-9]))";

bool WholeMatch(const char* pattern, const std::string& text) {
  // Without the Unicode-properties option \d is 0-9 only, as the patterns intend.
  QRegularExpression matcher(QRegularExpression::anchoredPattern(QString::fromLatin1(pattern)));
  return matcher.match(QString::fromUtf8(text)).hasMatch();
}

}  // namespace

bool IsIPAddressText(const std::string& text) {
  return WholeMatch(kAddressPattern, text);
}
bool IsDigitsText(const std::string& text) {
  return WholeMatch(kDigitsPattern, text);
}
bool IsScheduleText(const std::string& text) {
  return WholeMatch(kSchedulePattern, text);
}

std::string TrimText(const std::string& text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::vector<std::string> FindAddresses(const std::string& subject) {
  QRegularExpression matcher(QString::fromLatin1(kAddressSearchPattern));
  const QString text = QString::fromUtf8(subject);
  std::vector<std::string> found;
  qsizetype offset = 0;
  while (offset <= text.size()) {
    QRegularExpressionMatch match = matcher.match(text, offset);
    if (!match.hasMatch()) break;
    found.push_back(match.captured(0).toStdString());
    offset = match.capturedEnd(0) > offset ? match.capturedEnd(0) : offset + 1;
  }
  return found;
}
