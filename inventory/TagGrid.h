#pragma once

#include <string>
#include <vector>

// The grid as the inventory sees it: string cells addressed by column and row. Row 0 is the
// header row.
class TagGrid {
 public:
  virtual ~TagGrid() = default;

  virtual int ColCount() const = 0;
  virtual void SetColCount(int count) = 0;
  virtual int RowCount() const = 0;
  virtual void SetRowCount(int count) = 0;
  virtual std::string Cell(int col, int row) const = 0;
  virtual void SetCell(int col, int row, const std::string& text) = 0;
  // Writes cells 0.. of one row at once: one change for the whole row.
  virtual void SetRow(int row, const std::vector<std::string>& cells) = 0;
  virtual void SetColWidth(int col, int width) = 0;

  // Sets every cell of every row (the header row included) and column to "". This default writes
  // row by row; a grid that can announce the whole change at once should override it, since a
  // count reset may clear 100,000 rows.
  virtual void ClearCells() {
    const int cols = ColCount();
    const std::vector<std::string> empty(cols > 0 ? static_cast<std::size_t>(cols) : 0);
    for (int row = 0, rows = RowCount(); row < rows; ++row) SetRow(row, empty);
  }
};
