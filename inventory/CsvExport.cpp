#include "CsvExport.h"

#include "AtomicFile.h"
#include "CsvCell.h"
#include "CsvPreamble.h"

std::string BuildCsv(const TagGrid& grid) {
  const int rows = grid.RowCount();
  const int cols = grid.ColCount();
  std::string text(CsvPreamble());
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      text += GuardCell(grid.Cell(col, row));
      if (col + 1 < cols) text += ',';
    }
    text += "\r\n";
  }
  return text;
}

bool WriteCsvFile(const std::string& path, const TagGrid& grid, std::string& error) {
  // CR LF line ends and the cells' bytes go out unchanged on every platform.
  const atomicfile::Result written = atomicfile::Replace(path, BuildCsv(grid));
  if (written) return true;
  error = written.failure == atomicfile::Result::Failure::Create
              ? "Cannot create file " + path
              : "Cannot write file " + path + ": " + written.reason;
  return false;
}
