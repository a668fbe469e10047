#include "Report.h"
#include "AtomicFile.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>

#include "AtomicFile.h"
#include "CsvCell.h"
#include "CsvReader.h"
#include "ExitCodes.h"
#include "FieldPatterns.h"
#include "Plan.h"

namespace {

std::vector<std::string> Columns() {
  std::vector<std::string> columns = {"device", "outcome", "detail", "seconds"};
  for (const std::string& setting : kSettingColumns) {
    columns.push_back("before_" + setting);
    columns.push_back("after_" + setting);
  }
  return columns;
}

// The values read back come from the device: guarded against a spreadsheet's formulas.
std::string Quoted(const std::string& raw) {
  const std::string cell = GuardCell(raw);
  if (cell.find_first_of(",;\"\r\n") == std::string::npos && cell == TrimText(cell)) {
    return cell;
  }
  std::string quoted = "\"";
  for (char c : cell) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", seconds);
  return text;
}

std::string Lookup(const std::map<std::string, std::string>& values, const std::string& key) {
  const auto found = values.find(key);
  return found == values.end() ? "" : found->second;
}

std::vector<std::string> Cells(const DeviceResult& result) {
  std::vector<std::string> cells = {result.device, result.outcome, result.detail,
                                    Seconds(result.seconds)};
  for (const std::string& setting : kSettingColumns) {
    cells.push_back(Lookup(result.before, setting));
    cells.push_back(Lookup(result.after, setting));
  }
  return cells;
}

std::string Line(const std::vector<std::string>& cells) {
  std::string line;
  for (const std::string& cell : cells) line += (line.empty() ? "" : ",") + Quoted(cell);
  return line + "\r\n";
}

cJSON* AddValues(cJSON* object, const char* name,
                 const std::map<std::string, std::string>& values) {
  cJSON* member = cJSON_AddObjectToObject(object, name);
  for (const auto& [key, value] : values)
    cJSON_AddStringToObject(member, key.c_str(), value.c_str());
  return member;
}

}  // namespace

bool WriteReport(const std::string& path, const std::vector<DeviceResult>& results,
                 std::string& error) {
  std::string text = Line(Columns());
  for (const DeviceResult& result : results) text += Line(Cells(result));
  const atomicfile::Result written = atomicfile::Replace(path, text);
  if (!written) {
    error =
        "cannot write the report " + path + (written.reason.empty() ? "" : ": " + written.reason);
    return false;
  }
  return true;
}

std::string ReportJson(const DeviceResult& result) {
  std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_CreateObject(), cJSON_Delete);
  if (!root) throw std::bad_alloc();
  cJSON_AddStringToObject(root.get(), "device", result.device.c_str());
  cJSON_AddStringToObject(root.get(), "outcome", result.outcome.c_str());
  cJSON_AddStringToObject(root.get(), "detail", result.detail.c_str());
  cJSON_AddNumberToObject(root.get(), "seconds", std::stod(Seconds(result.seconds)));
  AddValues(root.get(), "before", result.before);
  AddValues(root.get(), "after", result.after);
  char* printed = cJSON_PrintUnformatted(root.get());
  if (!printed) throw std::bad_alloc();
  const std::string line = printed;
  cJSON_free(printed);
  return line;
}

std::map<std::string, DeviceResult> LoadOkResults(const std::string& path) {
  const std::vector<CsvRecord> records = ReadCsvFile(path);
  const std::vector<std::string> columns = Columns();
  if (records.empty() || records.front().cells != columns) {
    throw InputError(path + " is not a report of tagwick-cli commission");
  }
  std::map<std::string, DeviceResult> ok;
  for (auto record = records.begin() + 1; record != records.end(); ++record) {
    std::map<std::string, std::string> cells;
    for (std::size_t i = 0; i < columns.size() && i < record->cells.size(); ++i) {
      cells[columns[i]] = UnguardCell(record->cells[i]);
    }
    DeviceResult result;
    result.device = cells["device"];
    result.outcome = cells["outcome"];
    result.detail = cells["detail"];
    result.seconds = std::strtod(cells["seconds"].c_str(), nullptr);
    for (const std::string& setting : kSettingColumns) {
      if (!cells["before_" + setting].empty()) result.before[setting] = cells["before_" + setting];
      if (!cells["after_" + setting].empty()) result.after[setting] = cells["after_" + setting];
    }
    if (result.Ok()) ok[result.device] = std::move(result);
  }
  return ok;
}
