#include "FieldExitFilter.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>

void FieldExitFilter::Watch(QLineEdit* field, Check check) {
  checks.insert(field, std::move(check));
  field->installEventFilter(this);
}

bool FieldExitFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && !checking) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
        reason != Qt::MenuBarFocusReason) {
      auto* field = static_cast<QLineEdit*>(watched);
      checking = true;
      QPointer<QLineEdit> target(field);
      QMetaObject::invokeMethod(
          this,
          [this, target] {
            if (target) RunCheck(target);
            checking = false;
          },
          Qt::QueuedConnection);
    }
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
