#pragma once

#include <string>
#include <vector>

#include "TagGrid.h"

// The tag grid in memory: the cells the window's grid would show, without a view.
class MemoryGrid : public TagGrid {
 public:
  int ColCount() const override { return cols; }
  void SetColCount(int count) override {
    cols = count;
    for (auto& row : cells) row.resize(Index(cols));
  }
  int RowCount() const override { return static_cast<int>(cells.size()); }
  void SetRowCount(int count) override {
    cells.resize(Index(count), std::vector<std::string>(Index(cols)));
  }
  std::string Cell(int col, int row) const override { return cells.at(Index(row)).at(Index(col)); }
  void SetCell(int col, int row, const std::string& text) override {
    cells.at(Index(row)).at(Index(col)) = text;
  }
  void SetRow(int row, const std::vector<std::string>& rowCells) override {
    auto& target = cells.at(Index(row));
    for (std::size_t col = 0; col < rowCells.size() && col < target.size(); ++col) {
      target[col] = rowCells[col];
    }
  }
  void SetColWidth(int col, int width) override {
    if (widths.size() <= Index(col)) widths.resize(Index(col) + 1);
    widths[Index(col)] = width;
  }

  // The state InitGrid leaves: 7 columns, 2 rows, the header texts.
  void Init(const std::vector<std::string>& headers = {"No", "EPC", "Len", "Ant", "Count", "RSSI",
                                                       "Time"}) {
    cells.clear();
    SetColCount(7);
    SetRowCount(2);
    for (int col = 0; col < 7; ++col) cells[0][Index(col)] = headers.at(Index(col));
  }
  const std::vector<std::string>& Row(int row) const { return cells.at(Index(row)); }

  int cols = 0;
  std::vector<std::vector<std::string>> cells;
  std::vector<int> widths;

 private:
  static std::size_t Index(int n) { return static_cast<std::size_t>(n); }
};
