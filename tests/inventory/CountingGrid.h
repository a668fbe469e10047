#pragma once

#include <string>
#include <vector>

#include "MemoryGrid.h"

// The grid in memory that also counts the writes made on it and lists the rows written, to check
// what a report touched.
class CountingGrid : public MemoryGrid {
 public:
  void SetRowCount(int count) override {
    ++setRowCountCalls;
    MemoryGrid::SetRowCount(count);
  }
  void SetCell(int col, int row, const std::string& text) override {
    ++setCellCalls;
    MemoryGrid::SetCell(col, row, text);
  }
  void SetRow(int row, const std::vector<std::string>& rowCells) override {
    ++setRowCalls;
    rowsWritten.push_back(row);
    MemoryGrid::SetRow(row, rowCells);
  }
  // As MemoryGrid's, with SetRowCount not yet counted.
  void Init(const std::vector<std::string>& headers = {"No", "EPC", "Len", "Ant", "Count", "RSSI",
                                                       "Time"}) {
    MemoryGrid::Init(headers);
    setRowCountCalls = 0;
  }

  int setRowCalls = 0;
  int setCellCalls = 0;
  int setRowCountCalls = 0;
  std::vector<int> rowsWritten;
};
