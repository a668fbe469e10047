#pragma once

#include <QAbstractTableModel>
#include <deque>
#include <string>
#include <vector>

#include "TagGrid.h"

// The tag grid strngrd1 as a table model. Grid row 0 is the header row: it is shown as the
// horizontal header, and grid rows 1..N-1 are model rows 0..N-2. Cells are kept as UTF-8 bytes
// in one flat deque (row-major, ColCount() strings per row), so a tag row costs ColCount()
// std::string objects and nothing else (a deque grows without copying or 2x spare capacity).
//
// Change notifications are exact: SetRow is one dataChanged (or one headerDataChanged for row 0),
// shrinking the row count one row removal; only SetColCount resets the model. Rows added by
// SetRowCount are at once part of the grid (RowCount, Cell, SetRow) but reach views as one row
// insertion per pass of the event loop (ShowAppendedRows), with the cells written meanwhile;
// rows added to a grid that shows none are announced at once. Column
// widths are kept here, and every change of one is announced by columnWidthChanged: the window
// connects it to QTableView::setColumnWidth. After a reset (which makes a QHeaderView forget its
// section sizes) every column's width is announced again.
class TagGridModel : public QAbstractTableModel, public TagGrid {
  Q_OBJECT

 public:
  explicit TagGridModel(QObject* parent = nullptr);

  int ColCount() const override { return cols; }
  void SetColCount(int count) override;
  int RowCount() const override { return rows; }
  void SetRowCount(int count) override;
  std::string Cell(int col, int row) const override;
  void SetCell(int col, int row, const std::string& text) override;
  void SetRow(int row, const std::vector<std::string>& cells) override;
  void SetColWidth(int col, int width) override;
  void ClearCells() override;

  // The stored width of a column in pixels; 64 (the string grid's default) until set.
  int ColWidth(int col) const;

  // Announces the rows added since the last call to views; runs by itself once per pass of the
  // event loop in which rows were added.
  void ShowAppendedRows();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  static constexpr int kDefaultColWidth = 64;

 Q_SIGNALS:
  void columnWidthChanged(int col, int width);

 private:
  // Model rows shown for a grid of `gridRows` rows: all but the header row.
  static int ModelRows(int gridRows) { return gridRows > 1 ? gridRows - 1 : 0; }
  bool Contains(int col, int row) const { return col >= 0 && col < cols && row >= 0 && row < rows; }
  std::size_t At(int col, int row) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) +
           static_cast<std::size_t>(col);
  }
  void AnnounceWidths();

  int cols = 0;
  int rows = 0;
  // Model rows that views know of; grid rows beyond them wait for ShowAppendedRows.
  int shownRows = 0;
  bool showPending = false;
  std::deque<std::string> cells;
  std::vector<int> widths;
};
