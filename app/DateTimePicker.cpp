#include "DateTimePicker.h"

#include <QEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace {
// The picker holds a wall-clock date and time as given, in UTC so that no daylight-saving rule
// of the local zone moves it: a device clock read at 02:30 on a spring-forward night would
// otherwise show 03:30.
QDateTime Unzoned(const QDateTime& value) {
  return QDateTime(value.date(), value.time(), Qt::UTC);
}

// Dates that between them show every month and weekday name at its widest, with a two-digit day.
QList<QDate> WidestDates() {
  QList<QDate> dates;
  for (int month = 1; month <= 12; ++month) {
    for (int day = 22; day <= 28; ++day) dates << QDate(2028, month, day);
  }
  return dates;
}

void AddOnce(QStringList& formats, const QString& format) {
  const QString trimmed = format.trimmed();
  if (!trimmed.isEmpty() && !formats.contains(trimmed)) formats << trimmed;
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
      ShowLongDate();
    } else {
      value.setTime(shown.time());
    }
  });
  ShowLongDate();
}

QDateTime DateTimePicker::Value() const {
  return value;
}

void DateTimePicker::SetValue(const QDateTime& newValue) {
  value = Unzoned(newValue);
  setDateTime(value);
}

QStringList DateTimePicker::DateFormats(const QLocale& locale) {
  QStringList formats;
  const QString longFormat = locale.dateFormat(QLocale::LongFormat);
  AddOnce(formats, longFormat);
  // Without the weekday, and whatever joins it to the rest ("dddd, ", "dddd d", "d日dddd").
  static const QRegularExpression weekday(QStringLiteral("[\\s,]*dddd[\\s,]*"));
  QString noWeekday = longFormat;
  noWeekday.replace(weekday, QStringLiteral(" "));
  AddOnce(formats, noWeekday);
  // With the month's short name.
  QString shortMonth = noWeekday;
  shortMonth.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
  AddOnce(formats, shortMonth);
  // The locale's short format, with the whole year.
  QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
  if (!shortFormat.contains(QStringLiteral("yyyy"))) {
    shortFormat.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
  }
  AddOnce(formats, shortFormat);
  return formats;
}

bool DateTimePicker::focusNextPrevChild(bool next) {
  // The date edit would spend one Tab on each part of the date.
  return QWidget::focusNextPrevChild(next);
}

void DateTimePicker::changeEvent(QEvent* event) {
  QDateTimeEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::LocaleChange ||
      event->type() == QEvent::StyleChange) {
    FitDateFormat();
  }
}

void DateTimePicker::resizeEvent(QResizeEvent* event) {
  QDateTimeEdit::resizeEvent(event);
  FitDateFormat();
}

int DateTimePicker::TextRoom() const {
  // The date picker is drawn as an editable drop-down list; its text field is the list's.
  QStyleOptionComboBox option;
  option.initFrom(this);
  option.editable = true;
  option.frame = true;
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  // The line edit's own side margins and its cursor.
  return field.width() - 2 * 2 - 1;
}

void DateTimePicker::FitDateFormat() {
  if (kind != Kind::Date) return;
  const QStringList formats = DateFormats(locale());
  const QFontMetrics metrics(lineEdit()->font());
  const int room = TextRoom();
  QString chosen = formats.last();
  for (const QString& format : formats) {
    int widest = 0;
    for (const QDate& date : WidestDates()) {
      widest = std::max(widest, metrics.horizontalAdvance(locale().toString(date, format)));
    }
    if (widest <= room) {
      chosen = format;
      break;
    }
  }
  if (chosen != displayFormat()) {
    setDisplayFormat(chosen);
    setDateTime(value);
  }
  ShowLongDate();
}

void DateTimePicker::ShowLongDate() {
  if (kind == Kind::Date) setToolTip(locale().toString(value.date(), QLocale::LongFormat));
}
