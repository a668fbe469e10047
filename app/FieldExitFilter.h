#pragma once

#include <QHash>
#include <QObject>
#include <functional>

class QLineEdit;

// Runs a field's exit check whenever the field loses the focus, as the operator moves on.
// Focus lost to a dialog, a popup or another application is no exit. The check runs after
// the focus event has been delivered, and a check that is still running (its message box open,
// the focus being put back) blocks every other, so a box never triggers a second one.
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

  QHash<QObject*, Check> checks;
  Guard guard;
  bool checking = false;
};
