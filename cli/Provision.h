#pragma once

#include <functional>

#include "Plan.h"
#include "Report.h"

// How each device is commissioned.
struct DeviceRun {
  double timeoutSeconds = 2;
  int retries = 2;  // resends of an unanswered request
  bool reboot = false;
  bool anySender = false;  // take datagrams from any address, not only the device's
  // Asked before each request: true once the run is to stop (the request in flight finishes).
  std::function<bool()> stopRequested;
};

// One device, in order and over its own connection: reads the settings the row changes, sets
// each (status "ok" required), reads them back and compares them with the plan, then reboots
// when asked. Never throws: every failure is the result's outcome.
DeviceResult CommissionDevice(const PlanRow& row, const DeviceRun& run);
