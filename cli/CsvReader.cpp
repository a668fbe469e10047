#include "CsvReader.h"

#include <csv.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "ExitCodes.h"
#include "Utf8Path.h"

namespace {

struct Collector {
  std::vector<CsvRecord> records;
  std::vector<std::string> cells;
  int row = 0;
};

void OnCell(void* text, std::size_t length, void* data) {
  auto& collector = *static_cast<Collector*>(data);
  collector.cells.emplace_back(text ? static_cast<const char*>(text) : "", text ? length : 0);
}

void OnRecordEnd(int, void* data) {
  auto& collector = *static_cast<Collector*>(data);
  ++collector.row;
  const bool blank = std::all_of(collector.cells.begin(), collector.cells.end(),
                                 [](const std::string& cell) { return cell.empty(); });
  if (!blank) collector.records.push_back({collector.row, std::move(collector.cells)});
  collector.cells.clear();
}

// The separator of the first line: spreadsheets in locales with a decimal comma write ';'.
unsigned char DetectSeparator(const std::string& text) {
  const std::string firstLine = text.substr(0, text.find('\n'));
  return std::count(firstLine.begin(), firstLine.end(), ';') >
                 std::count(firstLine.begin(), firstLine.end(), ',')
             ? ';'
             : ',';
}

}  // namespace

std::vector<CsvRecord> ReadCsvFile(const std::string& path) {
  std::ifstream in(Utf8Path(path), std::ios::binary);
  if (!in) throw InputError("cannot read " + path);
  std::stringstream content;
  content << in.rdbuf();
  std::string text = content.str();
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);

  csv_parser parser{};
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) throw std::bad_alloc();
  csv_set_delim(&parser, DetectSeparator(text));
  Collector collector;
  const bool parsed = csv_parse(&parser, text.data(), text.size(), OnCell, OnRecordEnd,
                                &collector) == text.size() &&
                      csv_fini(&parser, OnCell, OnRecordEnd, &collector) == 0;
  const std::string error = csv_strerror(csv_error(&parser));
  csv_free(&parser);
  if (!parsed) {
    throw InputError(path + " row " + std::to_string(collector.row + 1) + ": " + error);
  }
  return std::move(collector.records);
}
