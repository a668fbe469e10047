#include "DateTimePicker.h"

DateTimePicker::DateTimePicker(Kind kind, QWidget* parent)
    : QDateTimeEdit(parent), kind(kind), value(QDateTime::currentDateTime()) {
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
  value = newValue;
  setDateTime(newValue);
}
