#include "FieldChecks.h"

#include <QRegularExpression>

namespace {

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
