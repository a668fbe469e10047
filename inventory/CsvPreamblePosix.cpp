#include "CsvPreamble.h"

std::string_view CsvPreamble() {
  return {};
}
