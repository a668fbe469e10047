#include "TagGridView.h"

#include <QHeaderView>
#include <algorithm>

TagGridView::TagGridView(QWidget* parent) : QTableView(parent) {
#ifdef _WIN32
  // The header's own minimum (the font's height and the Windows style's margins, 24 px) would
  // hold the design's 20-pixel rows apart; the rows are as high as the layout says.
  verticalHeader()->setMinimumSectionSize(1);
#endif
}

void TagGridView::setModel(QAbstractItemModel* model) {
  QTableView::setModel(model);
  firstAppended = -1;
  fullLayout = true;
  if (!model) return;
  // Only noted here: asking the header for a row's position after each insertion would make it
  // work out every row's position again, once per new tag.
  connect(model, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex& parent, int first, int last) {
            if (!parent.isValid() && first > 0 && last == this->model()->rowCount() - 1) {
              firstAppended = firstAppended < 0 ? first : std::min(firstAppended, first);
            } else {
              fullLayout = true;
            }
          });
  // Everything else that lays the rows out again repaints them all.
  const auto full = [this] { fullLayout = true; };
  connect(model, &QAbstractItemModel::modelReset, this, full);
  connect(model, &QAbstractItemModel::layoutChanged, this, full);
  connect(model, &QAbstractItemModel::rowsRemoved, this, full);
  connect(model, &QAbstractItemModel::columnsInserted, this, full);
  connect(model, &QAbstractItemModel::columnsRemoved, this, full);
}

void TagGridView::doItemsLayout() {
  // Rows appended below the last row in sight change nothing in sight but the scroll bar.
  const bool onlyScrollBar =
      !fullLayout && firstAppended > 0 &&
      rowViewportPosition(firstAppended - 1) + rowHeight(firstAppended - 1) >= viewport()->height();
  firstAppended = -1;
  fullLayout = false;
  if (onlyScrollBar) {
    // What QAbstractItemView does, without repainting the rows.
    updateGeometries();
  } else {
    QTableView::doItemsLayout();
  }
}

QModelIndex TagGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  // Tab walks the cells and, past the last one (Shift+Tab: before the first), leaves the grid:
  // the table view would go round to the first cell and keep the focus for ever.
  const QModelIndex current = currentIndex();
  if (current.isValid()) {
    const bool last =
        current.row() == model()->rowCount() - 1 && current.column() == model()->columnCount() - 1;
    const bool first = current.row() == 0 && current.column() == 0;
    if ((action == MoveNext && last) || (action == MovePrevious && first)) return {};
  }
  return QTableView::moveCursor(action, modifiers);
}
