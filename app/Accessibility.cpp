#include "Accessibility.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>
#include <vector>

#include "DateTimePicker.h"
#include "Umainform.h"

namespace {

bool TakesTab(const QWidget* widget) {
  return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

// The controls under `holder` as a reader's eye meets them: row by row from the top, each row
// from the left. A widget starts a new row when its middle lies below the first of the row; so
// buttons a pixel apart in height still share a row, and a tall group shares the row of the small
// groups beside it. A control that takes the focus is a stop of its own: its inner parts are not.
void ReadingOrder(QWidget* holder, std::vector<QWidget*>& order) {
  std::vector<QWidget*> children;
  for (QWidget* child : holder->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!child->isWindow()) children.push_back(child);
  }
  const auto middle = [](const QWidget* w) { return w->y() + w->height() / 2; };
  std::stable_sort(children.begin(), children.end(),
                   [&](const QWidget* a, const QWidget* b) { return middle(a) < middle(b); });
  for (auto row = children.begin(); row != children.end();) {
    const int rowBottom = (*row)->geometry().bottom();
    const auto end =
        std::find_if(row, children.end(), [&](const QWidget* w) { return middle(w) > rowBottom; });
    std::stable_sort(row, end, [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
    row = end;
  }
  for (QWidget* child : children) {
    if (TakesTab(child)) {
      order.push_back(child);
    } else {
      ReadingOrder(child, order);
    }
  }
}

// The next enabled page after the current one, `step` pages on, round the end.
void TurnPage(QTabWidget* pages, int step) {
  const int count = pages->count();
  for (int i = 1; i < count; ++i) {
    const int page = ((pages->currentIndex() + step * i) % count + count) % count;
    if (pages->isTabEnabled(page)) {
      pages->setCurrentIndex(page);
      return;
    }
  }
}

// Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDown and Ctrl+PgUp switch pages wherever the focus is: the
// grid, the log and the date picker would otherwise take them as moves of their own.
void AddPageKeys(TMainForm& form) {
  QTabWidget* pages = form.pgc1;
  const auto key = [&](QKeySequence sequence, int step) {
    auto* shortcut = new QShortcut(sequence, &form);
    QObject::connect(shortcut, &QShortcut::activated, pages,
                     [pages, step] { TurnPage(pages, step); });
  };
  key(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
  key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);
  key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1);
  key(QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1);
  key(QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1);
}

QString Text(const TMainForm& form, WindowText text) {
  return TextOrEnglish(form.LangText(text), text);
}

}  // namespace

void MakeKeyboardReady(TMainForm& form) {
  // A label names the field beside it: a screen reader speaks the label's caption, in whatever
  // language it shows, and a mnemonic in a caption moves the focus there.
  const std::pair<QLabel*, QWidget*> labels[] = {{form.lbl1, form.edtIP},
                                                 {form.lbl2, form.edtPort},
                                                 {form.lbl4, form.edtGateWayIP},
                                                 {form.lbl5, form.edtGateWayPort},
                                                 {form.lbl6, form.edtDeviceID},
                                                 {form.lbl8, form.dtp1},
                                                 {form.lbl9, form.dtp2},
                                                 {form.lbl10, form.edtNetWorkIP},
                                                 {form.lbl11, form.edtNetWorkMask},
                                                 {form.lbl12, form.edtNetWorkGateWay},
                                                 {form.lbl13, form.edtNetWorkDNS1},
                                                 {form.lbl14, form.edtNetWorkDNS2},
                                                 {form.lbl15, form.edtCardNo},
                                                 {form.lbl16, form.edtCount}};
  for (const auto& [label, field] : labels) label->setBuddy(field);

  // The page tabs first, then each page's controls in reading order.
  std::vector<QWidget*> order{form.pgc1->tabBar()};
  for (int page = 0; page < form.pgc1->count(); ++page)
    ReadingOrder(form.pgc1->widget(page), order);
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

  AddPageKeys(form);
}

void NameControls(TMainForm& form) {
  const QString pages = Text(form, WindowText::PagesName);
  form.pgc1->setAccessibleName(pages);
  form.pgc1->tabBar()->setAccessibleName(pages);
  form.mmo1->setAccessibleName(Text(form, WindowText::LogName));
  form.edtCardNo->setAccessibleName(Text(form, WindowText::CurrentTagName));
  form.edtCount->setAccessibleName(Text(form, WindowText::TagCountName));
  form.strngrd1->setAccessibleName(Text(form, WindowText::TagListName));

  const QString address = Text(form, WindowText::AddressRule);
  for (QLineEdit* field : {form.edtIP, form.edtGateWayIP, form.edtNetWorkIP, form.edtNetWorkMask,
                           form.edtNetWorkGateWay, form.edtNetWorkDNS1, form.edtNetWorkDNS2}) {
    field->setAccessibleDescription(address);
  }
  const QString digits = Text(form, WindowText::DigitsRule);
  for (QLineEdit* field : {form.edtPort, form.edtGateWayPort, form.edtDeviceID}) {
    field->setAccessibleDescription(digits);
  }
}
