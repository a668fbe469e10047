#pragma once

#include <QTableView>

// The view of strngrd1. QAbstractItemView lays out and repaints all its rows after every row
// insertion, even for rows far below what is shown; with a new tag per report that was most of the
// window's work. After rows appended out of sight this view only updates its scroll bar.
class TagGridView : public QTableView {
 public:
  explicit TagGridView(QWidget* parent = nullptr);

  void setModel(QAbstractItemModel* model) override;
  void doItemsLayout() override;

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

 private:
  // Since the last layout: the first of the rows appended at the end (-1: none), and whether
  // anything else changed the rows' layout.
  int firstAppended = -1;
  bool fullLayout = false;
};
