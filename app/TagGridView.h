#pragma once

#include <QTableView>

// The view of strngrd1. QAbstractItemView repaints its whole viewport for every change of more
// than one cell and after every row insertion, even for rows far below what is shown; with a row
// written per report that was most of the window's work. This view repaints only the part of a
// changed row range that is in sight, and after rows appended out of sight only updates its
// scroll bar.
class TagGridView : public QTableView {
 public:
  using QTableView::QTableView;

  void setModel(QAbstractItemModel* model) override;
  void doItemsLayout() override;

 protected:
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;

 private:
  // Since the last layout: the first of the rows appended at the end (-1: none), and whether
  // anything else changed the rows' layout.
  int firstAppended = -1;
  bool fullLayout = false;
};
