#include "CsvPreamble.h"

std::string_view CsvPreamble() {
  return "\xEF\xBB\xBF";
}
