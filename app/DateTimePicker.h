#pragma once

#include <QDateTimeEdit>

// A picker that holds a full date and time but shows and edits only one part of it: editing
// the date keeps the time of day, editing the time keeps the date.
class DateTimePicker : public QDateTimeEdit {
 public:
  enum class Kind { Date, Time };
  DateTimePicker(Kind kind, QWidget* parent);

  QDateTime Value() const;
  void SetValue(const QDateTime& value);

 private:
  Kind kind;
  QDateTime value;
};
