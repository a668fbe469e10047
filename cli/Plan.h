#pragma once

#include <map>
#include <string>
#include <vector>

#include "CommandLine.h"

// The settings a plan may change, in the order of its columns and of the report's.
inline const std::vector<std::string> kSettingColumns = {
    "deviceid", "gateway_ip", "gateway_port", "network", "ip",
    "mask",     "gateway",    "dns1",         "dns2",    "clock"};

// One device of the plan and the settings its row changes (the non-empty cells).
struct PlanRow {
  int row = 0;  // as a spreadsheet numbers it: the header is row 1
  DeviceAddress device;
  std::map<std::string, std::string> cells;

  bool Changes(const std::string& column) const { return cells.count(column) != 0; }
};

// Reads and checks the whole plan with the window's field rules before anything is sent. Throws
// InputError naming the row and the column of the first fault: a bad cell, an unknown or repeated
// column, a device named twice, a static row without its address, mask or gateway, an address
// setting without "static".
std::vector<PlanRow> LoadPlan(const std::string& path);
