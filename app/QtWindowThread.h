#pragma once

#include <QObject>
#include <functional>

#include "HandOver.h"

// Posts the link's tasks into the window thread's event queue. A task that is still queued
// when `context` is destroyed is discarded by Qt.
class QtWindowThread : public WindowThread {
 public:
  using Guard = std::function<void(const std::function<void()>&)>;
  QtWindowThread(QObject* context, Guard guard) : context(context), guard(std::move(guard)) {}

  void Post(std::function<void()> task) override {
    QMetaObject::invokeMethod(
        context, [this, task = std::move(task)] { guard(task); }, Qt::QueuedConnection);
  }

 private:
  QObject* context;
  Guard guard;
};
