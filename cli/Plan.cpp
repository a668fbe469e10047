#include "Plan.h"

#include <algorithm>

#include "ClockValue.h"
#include "CsvReader.h"
#include "ExitCodes.h"
#include "InputChecks.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

// The network's address cells, meaningful only for a static configuration.
const char* const kStaticColumns[] = {"ip", "mask", "gateway", "dns1", "dns2"};

void CheckCell(const std::string& column, const std::string& value) {
  const std::string argument = "column " + column;
  if (column == "deviceid" || column == "gateway_port") {
    CheckDigitsArgument(argument, value);
  } else if (column == "network") {
    if (value != "dhcp" && value != "static") {
      throw InputError(argument + " '" + value + "' is neither dhcp nor static");
    }
  } else if (column == "clock") {
    if (value == "now") return;
    const CalendarTime time = ParseLocalTime(value);
    if (!EncodeClockValue(time)) throw InputError(argument + ": " + ClockNotSentLog(time));
  } else {
    CheckAddressArgument(argument, value);
  }
}

void CheckNetwork(const PlanRow& plan) {
  const auto network = plan.cells.find("network");
  const bool isStatic = network != plan.cells.end() && network->second == "static";
  for (const char* column : kStaticColumns) {
    if (isStatic && std::string(column).rfind("dns", 0) != 0 && !plan.Changes(column)) {
      throw InputError(std::string("column ") + column + " is needed by a static network");
    }
    if (!isStatic && plan.Changes(column)) {
      throw InputError(std::string("column ") + column + " needs network static");
    }
  }
}

}  // namespace

std::vector<PlanRow> LoadPlan(const std::string& path) {
  const std::vector<CsvRecord> records = ReadCsvFile(path);
  if (records.empty()) throw InputError(path + " is empty: a header row is needed");
  std::vector<std::string> columns;
  for (const std::string& cell : records.front().cells) {
    const std::string name = Lower(cell);
    const std::string where = path + " row " + std::to_string(records.front().row) + ": ";
    if (name != "device" &&
        std::find(kSettingColumns.begin(), kSettingColumns.end(), name) == kSettingColumns.end()) {
      throw InputError(where + "unknown column '" + cell + "'");
    }
    if (std::find(columns.begin(), columns.end(), name) != columns.end()) {
      throw InputError(where + "column " + name + " stands twice");
    }
    columns.push_back(name);
  }
  if (std::find(columns.begin(), columns.end(), "device") == columns.end()) {
    throw InputError(path + ": the header has no column device");
  }

  std::vector<PlanRow> plan;
  std::map<std::string, int> seen;
  for (auto record = records.begin() + 1; record != records.end(); ++record) {
    const std::string where = path + " row " + std::to_string(record->row) + ": ";
    try {
      PlanRow row;
      row.row = record->row;
      for (std::size_t i = 0; i < record->cells.size(); ++i) {
        const std::string& value = record->cells[i];
        if (value.empty()) continue;
        if (i >= columns.size()) throw InputError("a cell stands right of the last column");
        if (columns[i] == "device") {
          row.device = ParseDeviceAddress("column device", value);
        } else {
          CheckCell(columns[i], value);
          row.cells[columns[i]] = value;
        }
      }
      if (row.device.address.empty()) throw InputError("column device must not be empty");
      CheckNetwork(row);
      const auto [earlier, added] = seen.emplace(row.device.Text(), row.row);
      if (!added) {
        throw InputError("column device " + row.device.Text() + " is already in row " +
                         std::to_string(earlier->second));
      }
      plan.push_back(std::move(row));
    } catch (const InputError& e) {
      throw InputError(where + e.what());
    }
  }
  if (plan.empty()) throw InputError(path + " names no device");
  return plan;
}
