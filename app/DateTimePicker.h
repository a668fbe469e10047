#pragma once

#include <QDateTimeEdit>

// A picker that holds a full date and time but shows and edits only one part of it: editing
// the date keeps the time of day, editing the time keeps the date.
//
// The date is shown in the locale's long format when every date of the year fits the field,
// else in the longest shorter form of the same locale that does; the tooltip always gives the
// long date. Tab leaves the picker: its parts are reached with the arrow keys.
class DateTimePicker : public QDateTimeEdit {
 public:
  enum class Kind { Date, Time };
  DateTimePicker(Kind kind, QWidget* parent);

  QDateTime Value() const;
  void SetValue(const QDateTime& value);

  // The date formats tried, longest first: the locale's long one down to its short one.
  static QStringList DateFormats(const QLocale& locale);

 protected:
  bool focusNextPrevChild(bool next) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The width that the field's text may take.
  int TextRoom() const;
  void FitDateFormat();
  void ShowLongDate();

  Kind kind;
  QDateTime value;
};
