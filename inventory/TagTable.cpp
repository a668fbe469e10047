#include "TagTable.h"

#include <cjson/cJSON.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <new>

#include "LocalTime.h"

namespace {

struct JsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

// The text of one member: a string as is, a number in cJSON's own decimal form; anything else,
// like an absent member, leaves `text` at its default.
void ReadMemberText(const cJSON* root, const char* name, std::string& text) {
  const cJSON* item = cJSON_GetObjectItem(root, name);
  if (cJSON_IsString(item) && item->valuestring) {
    text = item->valuestring;
  } else if (cJSON_IsNumber(item)) {
    // cJSON prints an integral value as "%d" and any other with up to 17 significant digits.
    char* printed = cJSON_PrintUnformatted(item);
    if (!printed) throw std::bad_alloc();
    text = printed;
    cJSON_free(printed);
  }
}

}  // namespace

const char kInvalidEpcLogPrefix[] = "收到下位机无效EPC字符串:";

std::string InvalidIntegerText(const std::string& text) {
  return "'" + text + "' is not a valid integer value";
}

TimeOfDay LocalTimeOfDay() {
  return LocalTimeOfDay(std::chrono::system_clock::now());
}

TimeOfDay LocalTimeOfDay(std::chrono::system_clock::time_point now) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  const std::tm local = LocalCalendarTime(seconds);
  TimeOfDay time;
  time.hour = local.tm_hour;
  time.minute = local.tm_min;
  time.second = local.tm_sec;
  time.millisecond = static_cast<int>(millis);
  return time;
}

std::string FormatTimeText(const TimeOfDay& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d:%03d", time.hour, time.minute, time.second,
                time.millisecond);
  return text;
}

std::optional<int> ConvertSignalValue(const std::string& text) {
  const char* first = text.data();
  const char* last = first + text.size();
  // std::from_chars takes a '-' but not a '+'; a '+' must still be followed by a digit.
  if (first != last && *first == '+') {
    ++first;
    if (first == last || *first == '-') return std::nullopt;
  }
  int32_t value = 0;
  const auto [end, error] = std::from_chars(first, last, value, 10);
  if (error != std::errc() || end != last) return std::nullopt;
  // Unsigned arithmetic: wraps instead of overflowing near INT32_MAX.
  const uint32_t low = (static_cast<uint32_t>(value) + 127u) & 0xFFu;
  return low >= 128u ? static_cast<int>(low) - 256 : static_cast<int>(low);
}

std::optional<std::string> ConvertSignalText(const std::string& text) {
  const std::optional<int> value = ConvertSignalValue(text);
  if (!value) return std::nullopt;
  return std::to_string(*value);
}

EpcOutcome ProcessEpcInfo(const std::string& reportText, const std::string& epc, EpcMap& epcMap,
                          TagGrid& grid, const TimeOfDay& now) {
  EpcOutcome outcome;
  JsonPtr root(cJSON_ParseWithLength(reportText.data(), reportText.size()));
  if (!root) {
    outcome.kind = EpcOutcome::Kind::InvalidJson;
    outcome.logText = kInvalidEpcLogPrefix + reportText;
    return outcome;
  }

  std::string signalText = "88";
  std::string lengthText = std::to_string(epc.size() / 2);
  std::string antennaText = "0";
  ReadMemberText(root.get(), "rssi", signalText);
  ReadMemberText(root.get(), "epclen", lengthText);
  ReadMemberText(root.get(), "antid", antennaText);
  root.reset();

  const std::optional<int> signal = ConvertSignalValue(signalText);
  if (!signal) {
    outcome.kind = EpcOutcome::Kind::InvalidSignal;
    outcome.logText = InvalidIntegerText(signalText);
    return outcome;
  }

  int32_t row = 0;
  int32_t count = 0;
  auto found = epcMap.find(epc);
  if (found == epcMap.end()) {
    row = static_cast<int32_t>(epcMap.size()) + 1;
    count = 1;
    epcMap.emplace(epc, __EPCDATA{row, count});
    grid.SetRowCount(row + 1);
  } else {
    row = found->second.row;
    count = ++found->second.count;
  }

  grid.SetRow(row, {std::to_string(row), epc, lengthText, antennaText, std::to_string(count),
                    std::to_string(*signal), FormatTimeText(now)});

  outcome.countText = std::to_string(epcMap.size());
  outcome.row = row;
  outcome.antenna = std::move(antennaText);
  outcome.signal = *signal;
  return outcome;
}

void InitTagGrid(TagGrid& grid, const std::function<std::string(int number)>& headerText) {
  grid.SetColCount(kTagColumnCount);
  grid.SetRowCount(2);
  static const int kWidths[] = {60, 245, 80, 80, 80};
  for (int col = 0; col < 5; ++col) {
    grid.SetCell(col, 0, headerText(col + 5));
    grid.SetColWidth(col, kWidths[col]);
  }
  grid.SetCell(kColRssi, 0, "RSSI");
  grid.SetColWidth(kColRssi, 80);
  grid.SetCell(kColTime, 0, "Time");
  grid.SetColWidth(kColTime, 100);
}

void ClearGridCells(TagGrid& grid) {
  grid.ClearCells();
}
