#pragma once

#include <string>
#include <string_view>

// A spreadsheet takes a cell that begins with "=", "+", "-", "@", a tab or a carriage return as
// a formula, so a forged EPC such as =HYPERLINK(...) would run when the operator opens the file.
// Such a cell gets a leading apostrophe, which a spreadsheet shows as text and hides; a plain
// decimal number ("-41") stays as it is. A cell that already begins with an apostrophe in front
// of what would be guarded gets one more, so that UnguardCell() gives back exactly the original.
std::string GuardCell(std::string_view cell);
// The cell as it was before GuardCell(): for reading back a file this tool wrote.
std::string UnguardCell(std::string_view cell);
