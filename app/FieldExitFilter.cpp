#include "FieldExitFilter.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>

#include "TabPage.h"

void FieldExitFilter::Watch(QLineEdit* field, Check check) {
  checks.insert(field, std::move(check));
  field->installEventFilter(this);
}

bool FieldExitFilter::eventFilter(QObject* watched, QEvent* event) {
  if (voidingInput && SwallowInput(event)) return true;
  if (event->type() != QEvent::FocusOut || checking || !checks.contains(watched)) {
    return QObject::eventFilter(watched, event);
  }
  const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
      reason == Qt::MenuBarFocusReason) {
    return QObject::eventFilter(watched, event);
  }
  auto* field = static_cast<QLineEdit*>(watched);
  if (field == returning) return true;
  // Qt moves the focus before it hands on the press, key or page switch that caused the move, so
  // the check completes here, ahead of that input.
  QPointer<QLineEdit> alive(field);
  checking = true;
  RunCheck(field);
  checking = false;
  if (!alive) return true;  // the window went away while the box was open
  if (field->window()->focusWidget() == field) {
    // The check refused the text and put the focus back: the field stays where it was, and the
    // focus-out it no longer has is not passed on.
    if (reason == Qt::MouseFocusReason) StartVoidingInput();
    ReturnTo(field);
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void FieldExitFilter::RunCheck(QLineEdit* field) {
  const Check& check = checks[field];
  if (guard) {
    guard([&] { check(field); });
  } else {
    check(field);
  }
}

bool FieldExitFilter::SwallowInput(QEvent* event) const {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      return true;
    default:
      return false;
  }
}

void FieldExitFilter::StartVoidingInput() {
  // The press that moved the focus is delivered to its widget as soon as this event is done; the
  // application-wide filter drops it there, with whatever of the same click is still queued.
  voidingInput = true;
  QCoreApplication::instance()->installEventFilter(this);
  QMetaObject::invokeMethod(
      this,
      [this] {
        voidingInput = false;
        QCoreApplication::instance()->removeEventFilter(this);
      },
      Qt::QueuedConnection);
}

void FieldExitFilter::ReturnTo(QLineEdit* field) {
  returning = field;
  // A page switch moves the focus away before it hides the page; once it is over, the field's
  // page comes back to the front, and the field gets the focus again.
  QMetaObject::invokeMethod(
      this,
      [this] {
        QPointer<QLineEdit> field = returning;
        returning = nullptr;
        if (!field) return;
        for (QWidget* child = field; child->parentWidget(); child = child->parentWidget()) {
          if (QTabWidget* tabs = TabWidgetOf(*child)) {
            tabs->setCurrentWidget(child);
          } else if (auto* stack = qobject_cast<QStackedWidget*>(child->parentWidget())) {
            stack->setCurrentWidget(child);
          }
        }
        field->setFocus(Qt::OtherFocusReason);
      },
      Qt::QueuedConnection);
}
