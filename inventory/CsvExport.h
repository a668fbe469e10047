#pragma once

#include <string>

#include "TagGrid.h"

// The tag list: one line per grid row from row 0 (the header row) to the last, the
// cells of columns 0 to the last joined by "," with no quoting, each line followed by CR LF, the
// last one included. The cells' bytes are copied unchanged, after CsvPreamble() (a byte-order
// mark on Windows only).
std::string BuildCsv(const TagGrid& grid);

// Builds the tag list and writes it to `path` in one pass, creating the file or emptying an
// existing one. Answers false with `error` set when the file cannot be created
// ("Cannot create file <path>") or when writing or closing it fails, a short write or a full disk
// included ("Cannot write file <path>: <reason>").
bool WriteCsvFile(const std::string& path, const TagGrid& grid, std::string& error);
