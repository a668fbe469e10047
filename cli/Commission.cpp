#include "Commission.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <thread>

#include "ExitCodes.h"
#include "Interrupt.h"
#include "JsonLine.h"
#include "Output.h"
#include "Plan.h"
#include "Provision.h"
#include "Report.h"
#include "Socket.h"
#include "Utf8Path.h"

namespace {

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

void PrintPlan(const std::vector<PlanRow>& plan, bool json) {
  for (const PlanRow& row : plan) {
    JsonMembers values = {{"device", row.device.Text()}};
    for (const std::string& column : kSettingColumns) {
      if (row.Changes(column)) values.emplace_back(column, row.cells.at(column));
    }
    if (json) {
      std::cout << JsonLine(values) << '\n';
      continue;
    }
    std::string line;
    for (const auto& [key, value] : values) line += (line.empty() ? "" : " ") + key + "=" + value;
    std::cout << line << '\n';
  }
}

void PrintResult(const DeviceResult& result, bool json) {
  if (json) {
    std::cout << ReportJson(result) << '\n';
    return;
  }
  std::cout << "device=" << result.device << " outcome=" << result.outcome
            << " seconds=" << Fixed(result.seconds, 4);
  // Last, since it may hold blanks.
  if (!result.detail.empty()) std::cout << " detail=" << result.detail;
  std::cout << '\n';
}

std::string Summary(const std::vector<DeviceResult>& results, std::size_t skipped, double seconds) {
  std::vector<std::pair<std::string, int>> counts;
  for (const char* outcome : {"ok", "refused", "mismatch", "timeout", "unreachable"}) {
    counts.emplace_back(outcome, 0);
  }
  for (const DeviceResult& result : results) {
    auto found = std::find_if(counts.begin(), counts.end(),
                              [&](const auto& count) { return count.first == result.outcome; });
    if (found == counts.end()) found = counts.insert(counts.end(), {result.outcome, 0});
    ++found->second;
  }
  std::string text = std::to_string(results.size()) + " devices in " + Fixed(seconds, 3) + " s:";
  std::string separator = " ";
  for (const auto& [outcome, count] : counts) {
    text += separator + std::to_string(count) + " " + outcome;
    separator = ", ";
  }
  if (skipped) text += " (" + std::to_string(skipped) + " ok in the earlier report, not redone)";
  return text;
}

// The descriptor is readable once SIGINT or SIGTERM came; it stays so.
bool Signalled(int fd) {
  return net::WaitReadable(fd, net::kNoSocket, std::chrono::milliseconds(0)) > 0;
}

}  // namespace

int RunCommission(const Command& command) {
  const SiteOptions& site = command.site;
  std::vector<PlanRow> plan;
  std::map<std::string, DeviceResult> earlier;
  try {
    plan = LoadPlan(site.planPath);
    if (site.skipOkPath) earlier = LoadOkResults(*site.skipOkPath);
    // Found out now rather than after the site has been commissioned.
    if (site.reportPath) {
      const std::filesystem::path folder =
          std::filesystem::absolute(Utf8Path(*site.reportPath)).parent_path();
      if (!std::filesystem::is_directory(folder)) {
        throw InputError("--report: no folder " + Utf8Text(folder));
      }
    }
  } catch (const InputError& e) {
    Message(e.what());
    return kExitBadInput;
  }
  if (site.dryRun) {
    PrintPlan(plan, command.json);
    return kExitOk;
  }

  std::vector<DeviceResult> results(plan.size());
  std::vector<std::size_t> todo;
  for (std::size_t i = 0; i < plan.size(); ++i) {
    results[i].device = plan[i].device.Text();
    const auto found = earlier.find(results[i].device);
    if (found == earlier.end()) {
      todo.push_back(i);
    } else {
      results[i] = found->second;
    }
  }

  const int interrupt = InstallInterruptPipe();
  std::atomic<bool> stop = false;
  DeviceRun run;
  run.timeoutSeconds = command.timeoutSeconds;
  run.retries = site.retries;
  run.reboot = site.reboot;
  run.anySender = command.anySender;
  run.stopRequested = [&]() {
    if (!stop && Signalled(interrupt)) stop = true;
    return stop.load();
  };
  std::atomic<std::size_t> next = 0;
  const auto start = std::chrono::steady_clock::now();
  auto worker = [&]() {
    for (std::size_t at; !run.stopRequested() && (at = next++) < todo.size();) {
      // Each worker writes only the results of the devices it took.
      results[todo[at]] = CommissionDevice(plan[todo[at]], run);
    }
  };
  std::vector<std::thread> workers;
  const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(site.jobs), todo.size());
  for (std::size_t i = 0; i < count; ++i) workers.emplace_back(worker);
  for (std::thread& thread : workers) thread.join();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  for (const DeviceResult& result : results) PrintResult(result, command.json);
  std::cout.flush();
  if (stop) Message("interrupted: devices not started are marked not-run");
  Message(Summary(results, plan.size() - todo.size(), seconds));
  if (site.reportPath) {
    std::string error;
    if (!WriteReport(*site.reportPath, results, error)) {
      Message(error);
      return kExitFailure;
    }
  }
  const bool allOk = std::all_of(results.begin(), results.end(),
                                 [](const DeviceResult& result) { return result.Ok(); });
  return allOk ? kExitOk : kExitSiteNotOk;
}
