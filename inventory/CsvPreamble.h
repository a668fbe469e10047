#pragma once

#include <string_view>

// What the tag list file begins with before its first line. The cells are UTF-8, the system's
// text. On Windows the operators open the file in a spreadsheet, which reads a file without a
// byte-order mark in the ANSI code page and so garbles Chinese or Japanese headers: there it is
// the UTF-8 byte-order mark. Elsewhere UTF-8 is what a spreadsheet assumes, and it is nothing.
std::string_view CsvPreamble();
