#include "WindowEffects.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <stdexcept>
#include <utility>

#include "DateTimePicker.h"
#include "LogLine.h"
#include "Umainform.h"

WindowEffects::WindowEffects(TMainForm& form) : form(form) {
  for (QLineEdit* edit : form.findChildren<QLineEdit*>()) fields.insert(edit->objectName(), edit);
}

QLineEdit* WindowEffects::Field(const std::string& name) const {
  QLineEdit* edit = fields.value(QString::fromStdString(name)).data();
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
  // In UTC: the same fields taken as local time may not exist (a spring-forward hour).
  const QDateTime value(QDate(time.year, time.month, time.day),
                        QTime(time.hour, time.minute, time.second), Qt::UTC);
  form.dtp1->SetValue(value);
  form.dtp2->SetValue(value);
}

void WindowEffects::SelectNetworkMode(int item) {
  form.SetNetworkMode(item);
}

void WindowEffects::AddLog(const std::string& text) {
  // Stamped now, even when the line reaches the memo at the end of the batch.
  QString line = QString::fromUtf8(FormatLogLine(text));
  if (batchDepth == 0) {
    form.mmo1->appendPlainText(line);
    return;
  }
  pendingChars += line.size();
  pendingLines.append(std::move(line));
  // A batch of huge lines is appended in parts, so that one edit stays short.
  if (pendingChars >= kMaxPendingChars) AppendPending();
}

void WindowEffects::Batched(const std::function<void()>& work) {
  ++batchDepth;
  try {
    work();
  } catch (...) {
    if (--batchDepth == 0) AppendPending();
    throw;
  }
  if (--batchDepth == 0) AppendPending();
}

void WindowEffects::AppendPending() {
  if (pendingLines.isEmpty()) return;
  // One edit for many lines: the memo lays itself out once rather than once per line.
  const QString lines = pendingLines.join(QLatin1Char('\n'));
  pendingLines.clear();
  pendingChars = 0;
  form.mmo1->appendPlainText(lines);
}
