#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <functional>

class QLineEdit;

// Runs a field's exit check whenever the field loses the focus, as the operator moves on.
// Focus lost to a dialog, a popup or another application is no exit. The check runs at once,
// before the input that moved the focus is handled further, as a modal box on the original
// platform would: a check that fails (its box shown, the focus put back into the field) voids that
// input, so the click that left the field does not also press the button under the mouse. While a
// check runs no other check starts, so its own box never triggers a second one.
class FieldExitFilter : public QObject {
 public:
  using Check = std::function<void(QLineEdit*)>;
  using Guard = std::function<void(const std::function<void()>&)>;

  explicit FieldExitFilter(QObject* parent) : QObject(parent) {}

  void Watch(QLineEdit* field, Check check);
  void SetGuard(Guard runGuarded) { guard = std::move(runGuarded); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RunCheck(QLineEdit* field);
  bool SwallowInput(QEvent* event) const;
  void StartVoidingInput();
  void ReturnTo(QLineEdit* field);

  QHash<QObject*, Check> checks;
  Guard guard;
  bool checking = false;
  // Mouse input of the click that moved the focus, dropped until the event loop comes round.
  bool voidingInput = false;
  // A field whose check failed while its page was being switched away: shown again once the
  // switch is over, and its focus loss meanwhile is not a second exit.
  QPointer<QLineEdit> returning;
};
