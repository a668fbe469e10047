#include "DateTimePicker.h"

namespace {
// The picker holds a wall-clock date and time as given, in UTC so that no daylight-saving rule
// of the local zone moves it: a device clock read at 02:30 on a spring-forward night would
// otherwise show 03:30.
QDateTime Unzoned(const QDateTime& value) {
  return QDateTime(value.date(), value.time(), Qt::UTC);
}
}  // namespace

DateTimePicker::DateTimePicker(Kind kind, QWidget* parent)
    : QDateTimeEdit(parent), kind(kind), value(Unzoned(QDateTime::currentDateTime())) {
  setTimeSpec(Qt::UTC);
  if (kind == Kind::Date) {
    setDisplayFormat(locale().dateFormat(QLocale::LongFormat));
    setCalendarPopup(true);
  } else {
    setDisplayFormat(QStringLiteral("HH:mm:ss"));
  }
  setDateTime(value);
  connect(this, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& shown) {
    if (this->kind == Kind::Date) {
      value.setDate(shown.date());
    } else {
      value.setTime(shown.time());
    }
  });
}

QDateTime DateTimePicker::Value() const {
  return value;
}

void DateTimePicker::SetValue(const QDateTime& newValue) {
  value = Unzoned(newValue);
  setDateTime(value);
}
