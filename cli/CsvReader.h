#pragma once

#include <string>
#include <vector>

// One record of a CSV file: its cells and its row as a spreadsheet numbers it (the first record,
// the header, is row 1; blank lines are not counted).
struct CsvRecord {
  int row = 0;
  std::vector<std::string> cells;
};

// Reads a whole CSV file as a spreadsheet program writes it: UTF-8 with or without a byte-order
// mark, comma or semicolon separated (whichever the first line uses more), CRLF or LF, quoted
// cells with separators, quotes and line breaks inside. Unquoted cells lose surrounding blanks.
// Records whose cells are all empty are left out. Throws InputError naming the file when it
// cannot be read or is not well-formed CSV.
std::vector<CsvRecord> ReadCsvFile(const std::string& path);
