#pragma once

#include <QStackedWidget>
#include <QTabWidget>

// The tab widget that shows `page` as one of its tabs, or null. A page is not a child of the tab
// widget itself but of the stack inside it.
inline QTabWidget* TabWidgetOf(const QWidget& page) {
  auto* stack = qobject_cast<QStackedWidget*>(page.parentWidget());
  return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}
