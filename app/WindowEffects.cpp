#include "WindowEffects.h"

#include <QLineEdit>
#include <stdexcept>

#include "DateTimePicker.h"
#include "Umainform.h"

WindowEffects::WindowEffects(TMainForm& form) : form(form) {
  for (QLineEdit* edit : form.findChildren<QLineEdit*>()) fields.insert(edit->objectName(), edit);
}

QLineEdit* WindowEffects::Field(const std::string& name) const {
  QLineEdit* edit = fields.value(QString::fromStdString(name));
  if (!edit) throw std::logic_error("no field named " + name);
  return edit;
}

void WindowEffects::SetFieldText(const std::string& field, const std::string& text) {
  if (field == "edtCardNo") {
    form.SetCardNoText(text);
    return;
  }
  Field(field)->setText(QString::fromUtf8(text));
}

void WindowEffects::SetFieldHint(const std::string& field, const std::string& text) {
  // The current-tag field's hint is only the slot that carries the report to its change
  // handler; it is kept beside the field rather than shown as placeholder text.
  if (field == "edtCardNo") {
    form.edtCardNoHint = text;
  } else {
    Field(field)->setPlaceholderText(QString::fromUtf8(text));
  }
}

void WindowEffects::SetPickers(const CalendarTime& time) {
  QDateTime value(QDate(time.year, time.month, time.day),
                  QTime(time.hour, time.minute, time.second));
  form.dtp1->SetValue(value);
  form.dtp2->SetValue(value);
}

void WindowEffects::SelectNetworkMode(int item) {
  form.SetNetworkMode(item);
}

void WindowEffects::AddLog(const std::string& text) {
  form.AddLog(text);
}
