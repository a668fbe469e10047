#pragma once

#include <string>

#include "TagGrid.h"

// The tag list: one line per grid row from row 0 (the header row) to the last, the
// cells of columns 0 to the last joined by "," with no quoting, each line followed by CR LF, the
// last one included. The cells' bytes are copied unchanged, after CsvPreamble() (a byte-order
// mark on Windows only), except that a cell a spreadsheet would run as a formula is guarded
// (CsvCell.h): the EPC and the antenna come from the device, which may be forged.
std::string BuildCsv(const TagGrid& grid);

// Builds the tag list and puts it at `path` whole (AtomicFile.h): an existing file is replaced
// only once the new one is complete on disk. Answers false with `error` set, and any old file
// untouched, when the file cannot be created ("Cannot create file <path>") or when writing it
// fails, a full disk included ("Cannot write file <path>: <reason>").
bool WriteCsvFile(const std::string& path, const TagGrid& grid, std::string& error);
