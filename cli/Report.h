#pragma once

#include <map>
#include <string>
#include <vector>

// What commissioning did to one device. Outcomes: ok, refused, mismatch, timeout, unreachable,
// and for a stop by a signal interrupted (in flight) or not-run (never started).
struct DeviceResult {
  std::string device;  // ADDRESS:PORT
  std::string outcome = "not-run";
  // refused: the status; mismatch: setting and values; timeout: the step that had no answer;
  // unreachable: why the system would not send.
  std::string detail;
  // By the plan's setting columns; only the settings the row changes are read.
  std::map<std::string, std::string> before;
  std::map<std::string, std::string> after;
  double seconds = 0;

  bool Ok() const { return outcome == "ok"; }
};

// Writes the report as CSV (a header row, then one row per device) to a temporary file beside
// `path` and renames it over `path`, so that an old report survives a failed write. Answers
// false with `error` set when it cannot be written.
bool WriteReport(const std::string& path, const std::vector<DeviceResult>& results,
                 std::string& error);

// One device as one line of JSON.
std::string ReportJson(const DeviceResult& result);

// The devices that an earlier report marks ok, by ADDRESS:PORT, as that report has them.
// Throws InputError when the file cannot be read or is no report.
std::map<std::string, DeviceResult> LoadOkResults(const std::string& path);
