// Tag reports into one tag table that lives across inputs, so that known tags, repeats and a
// growing grid are all reached. Input: the EPC (the text of edtCardNo) up to the first newline,
// then the report text.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>

#include "CountingGrid.h"
#include "FuzzCheck.h"
#include "TagTable.h"

namespace {

constexpr std::size_t kMaxTags = 10000;

bool IsSignalText(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= -128 && value <= 127;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static EpcMap epcMap;
  static CountingGrid grid;
  if (grid.cells.empty() || epcMap.size() > kMaxTags) {
    epcMap.clear();
    grid.Init();
  }
  grid.rowsWritten.clear();

  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string epc = newline == std::string::npos ? std::string() : input.substr(0, newline);
  const std::string report = newline == std::string::npos ? input : input.substr(newline + 1);

  const std::size_t tagsBefore = epcMap.size();
  const int rowsBefore = grid.RowCount();
  const auto known = epcMap.find(epc);
  const int countBefore = known == epcMap.end() ? 0 : known->second.count;

  const EpcOutcome outcome = ProcessEpcInfo(report, epc, epcMap, grid, TimeOfDay{23, 59, 59, 999});

  if (!outcome.processed()) {
    FUZZ_CHECK(!outcome.logText.empty());
    FUZZ_CHECK(epcMap.size() == tagsBefore);
    FUZZ_CHECK(grid.RowCount() == rowsBefore);
    FUZZ_CHECK(grid.rowsWritten.empty());
    return 0;
  }

  const auto found = epcMap.find(epc);
  FUZZ_CHECK(found != epcMap.end());
  const __EPCDATA record = found->second;
  FUZZ_CHECK(record.count == countBefore + 1);
  FUZZ_CHECK(epcMap.size() == tagsBefore + (countBefore == 0 ? 1 : 0));
  FUZZ_CHECK(record.row >= 1 && static_cast<std::size_t>(record.row) <= epcMap.size());
  // Row 0 is the header; one row per tag below it, and only the tag's own row is written.
  FUZZ_CHECK(grid.RowCount() == static_cast<int>(epcMap.size()) + 1);
  FUZZ_CHECK(grid.rowsWritten.size() == 1 && grid.rowsWritten[0] == record.row);
  const auto& row = grid.Row(record.row);
  FUZZ_CHECK(row[kColRow] == std::to_string(record.row));
  FUZZ_CHECK(row[kColEpc] == epc);
  FUZZ_CHECK(row[kColCount] == std::to_string(record.count));
  FUZZ_CHECK(IsSignalText(row[kColRssi]));
  FUZZ_CHECK(row[kColTime] == "23:59:59:999");
  FUZZ_CHECK(outcome.countText == std::to_string(epcMap.size()));
  return 0;
}
