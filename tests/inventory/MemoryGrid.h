#pragma once

#include <string>
#include <vector>

#include "TagGrid.h"

// A TagGrid in memory that counts the calls made on it.
class MemoryGrid : public TagGrid {
 public:
  int ColCount() const override { return cols; }
  void SetColCount(int count) override {
    cols = count;
    for (auto& row : cells) row.resize(static_cast<std::size_t>(cols));
  }
  int RowCount() const override { return static_cast<int>(cells.size()); }
  void SetRowCount(int count) override {
    ++setRowCountCalls;
    cells.resize(static_cast<std::size_t>(count),
                 std::vector<std::string>(static_cast<std::size_t>(cols)));
  }
  std::string Cell(int col, int row) const override {
    return cells.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(col));
  }
  void SetCell(int col, int row, const std::string& text) override {
    ++setCellCalls;
    cells.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(col)) = text;
  }
  void SetRow(int row, const std::vector<std::string>& rowCells) override {
    ++setRowCalls;
    rowsWritten.push_back(row);
    auto& target = cells.at(static_cast<std::size_t>(row));
    for (std::size_t col = 0; col < rowCells.size() && col < target.size(); ++col) {
      target[col] = rowCells[col];
    }
  }
  void SetColWidth(int col, int width) override {
    if (widths.size() <= static_cast<std::size_t>(col))
      widths.resize(static_cast<std::size_t>(col) + 1);
    widths[static_cast<std::size_t>(col)] = width;
  }

  // The state InitGrid leaves: 7 columns, 2 rows, the header texts.
  void Init(const std::vector<std::string>& headers = {"No", "EPC", "Len", "Ant", "Count", "RSSI",
                                                       "Time"}) {
    cells.clear();
    SetColCount(7);
    SetRowCount(2);
    for (int col = 0; col < 7; ++col)
      cells[0][static_cast<std::size_t>(col)] = headers.at(static_cast<std::size_t>(col));
    setRowCountCalls = 0;
  }
  const std::vector<std::string>& Row(int row) const {
    return cells.at(static_cast<std::size_t>(row));
  }

  int cols = 0;
  std::vector<std::vector<std::string>> cells;
  std::vector<int> widths;
  int setRowCalls = 0;
  int setCellCalls = 0;
  int setRowCountCalls = 0;
  std::vector<int> rowsWritten;
};
