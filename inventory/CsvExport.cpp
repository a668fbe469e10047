#include "CsvExport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CsvPreamble.h"

namespace {

std::string WriteError(const std::string& path, int errorNumber) {
  return "Cannot write file " + path + ": " + std::strerror(errorNumber);
}

}  // namespace

std::string BuildCsv(const TagGrid& grid) {
  const int rows = grid.RowCount();
  const int cols = grid.ColCount();
  std::string text(CsvPreamble());
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      text += grid.Cell(col, row);
      if (col + 1 < cols) text += ',';
    }
    text += "\r\n";
  }
  return text;
}

bool WriteCsvFile(const std::string& path, const TagGrid& grid, std::string& error) {
  const std::string text = BuildCsv(grid);

  // Binary mode: the CR LF line ends and the cells' bytes go out unchanged on every platform.
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    error = "Cannot create file " + path;
    return false;
  }

  // stdio buffers, so a full disk may show only at the flush or the close: check all three.
  errno = 0;
  const std::size_t written = std::fwrite(text.data(), 1, text.size(), file);
  if (written != text.size() || std::fflush(file) != 0) {
    const int errorNumber = errno;
    std::fclose(file);
    error = WriteError(path, errorNumber != 0 ? errorNumber : EIO);
    return false;
  }
  if (std::fclose(file) != 0) {
    error = WriteError(path, errno != 0 ? errno : EIO);
    return false;
  }
  return true;
}
