#include "Inventory.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>

#include "CsvExport.h"
#include "ExitCodes.h"
#include "Interrupt.h"
#include "Language.h"
#include "Output.h"
#include "Requests.h"
#include "Session.h"
#include "TagTable.h"
#include "Verdict.h"

namespace {

std::string FindEnglishFile() {
  for (const std::filesystem::path& dir : {std::filesystem::current_path() / "Language",
                                           std::filesystem::path(TAGWICK_LANGUAGE_DIR)}) {
    const std::filesystem::path file = dir / "Pellow.eng";
    // As UTF-8, the system's text, which string() is not on Windows.
    const std::u8string utf8 = file.u8string();
    if (std::filesystem::is_regular_file(file)) return std::string(utf8.begin(), utf8.end());
  }
  return "";
}

void PrintSummaryLines(const ReadTestRun& run) {
  std::cout << "tags=" << run.tags << "\nreads=" << run.reads
            << "\nseconds=" << SecondsText(run.seconds)
            << "\nreads_per_second=" << SecondsText(run.reads / run.seconds)
            << "\ndropped=" << run.dropped << '\n';
  for (const ReadStats::AntennaFigures& antenna : run.stats.Antennas(run.end)) {
    std::cout << "antenna=" << antenna.name << " tags=" << antenna.tags
              << " reads=" << antenna.reads << " reads_per_second=" << FigureText(antenna.meanRate)
              << " rssi_min=" << antenna.signal.min
              << " rssi_mean=" << FigureText(antenna.signal.mean)
              << " rssi_max=" << antenna.signal.max << '\n';
  }
  for (int row = 1; row <= static_cast<int>(run.tags); ++row) {
    std::cout << "epc=" << run.grid.Cell(kColEpc, row) << " count=" << run.grid.Cell(kColCount, row)
              << " antenna=" << run.grid.Cell(kColAntenna, row)
              << " rssi=" << run.grid.Cell(kColRssi, row) << '\n';
  }
}

void PrintSummaryJson(const ReadTestRun& run) {
  std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_CreateObject(), cJSON_Delete);
  if (!root) throw std::bad_alloc();
  cJSON_AddNumberToObject(root.get(), "tags", static_cast<double>(run.tags));
  cJSON_AddNumberToObject(root.get(), "reads", static_cast<double>(run.reads));
  cJSON_AddNumberToObject(root.get(), "seconds", run.seconds);
  cJSON_AddNumberToObject(root.get(), "reads_per_second", run.reads / run.seconds);
  cJSON_AddNumberToObject(root.get(), "dropped", static_cast<double>(run.dropped));
  cJSON* antennas = cJSON_AddArrayToObject(root.get(), "antennas");
  for (const ReadStats::AntennaFigures& figures : run.stats.Antennas(run.end)) {
    cJSON* antenna = cJSON_CreateObject();
    if (!antennas || !antenna) throw std::bad_alloc();
    cJSON_AddItemToArray(antennas, antenna);
    cJSON_AddStringToObject(antenna, "antenna", figures.name.c_str());
    cJSON_AddNumberToObject(antenna, "tags", figures.tags);
    cJSON_AddNumberToObject(antenna, "reads", static_cast<double>(figures.reads));
    cJSON_AddNumberToObject(antenna, "reads_per_second", figures.meanRate);
    cJSON_AddNumberToObject(antenna, "rssi_min", figures.signal.min);
    cJSON_AddNumberToObject(antenna, "rssi_mean", figures.signal.mean);
    cJSON_AddNumberToObject(antenna, "rssi_max", figures.signal.max);
  }
  cJSON* list = cJSON_AddArrayToObject(root.get(), "list");
  for (int row = 1; list && row <= static_cast<int>(run.tags); ++row) {
    cJSON* tag = cJSON_CreateObject();
    cJSON_AddItemToArray(list, tag);
    cJSON_AddStringToObject(tag, "epc", run.grid.Cell(kColEpc, row).c_str());
    cJSON_AddNumberToObject(tag, "count", std::stod(run.grid.Cell(kColCount, row)));
    cJSON_AddStringToObject(tag, "antenna", run.grid.Cell(kColAntenna, row).c_str());
    cJSON_AddNumberToObject(tag, "rssi", std::stod(run.grid.Cell(kColRssi, row)));
  }
  char* printed = cJSON_PrintUnformatted(root.get());
  if (!printed) throw std::bad_alloc();
  std::cout << printed << '\n';
  cJSON_free(printed);
}

}  // namespace

std::string EnglishHeaderText(int number) {
  static const std::string file = FindEnglishFile();
  if (file.empty()) return "***";
  return ReadNumberedText(file, number, "ExtStr", "Text");
}

bool RunReadTest(const Command& command, ReadTestRun& run, double seconds,
                 const std::function<bool()>& done) {
  if (FindEnglishFile().empty()) Message("Language/Pellow.eng not found: headers show ***");
  InitTagGrid(run.grid, EnglishHeaderText);

  const int interrupt = InstallInterruptPipe();
  ReplyWindow window;
  Session session(command.device, window, command.anySender);
  if (run.readDeviceId) {
    session.Send(TypeRequest(requests::kGetDeviceId));
    bool answered = false;
    session.Pump(
        DeviceSocket::After(command.timeoutSeconds), [&](const std::string&, const Handler& by) {
          answered = by.key == requests::kGetDeviceId && window.fields.count("edtDeviceID");
          return answered;
        });
    if (!answered) {
      session.Close();
      Message("no " + std::string(requests::kGetDeviceId) + " reply from " + command.device.Text() +
              " within " + SecondsText(command.timeoutSeconds) + " s");
      return false;
    }
    run.deviceId = window.fields["edtDeviceID"];
  }
  session.Send(TypeRequest(requests::kTestStart));
  const auto start = DeviceSocket::Clock::now();
  run.stats.Reset(start);
  // Reports count from the start request on, as the window counts from its start click.
  window.onReport = [&](const std::string& report, const std::string& epc) {
    const EpcOutcome outcome = ProcessEpcInfo(report, epc, run.epcMap, run.grid, LocalTimeOfDay());
    if (outcome.processed()) {
      run.stats.Add(outcome.row, outcome.antenna, outcome.signal, DeviceSocket::Clock::now());
    } else {
      Message(outcome.logText);
    }
  };
  // An early end is judged a few times a second, not after every report, and also while
  // nothing arrives.
  const auto until = DeviceSocket::After(seconds);
  DeviceSocket::Wait wait;
  while (true) {
    const auto slice = done ? std::min(until, DeviceSocket::After(0.2)) : until;
    wait = session.Pump(
        slice, [](const std::string&, const Handler&) { return false; }, interrupt);
    if (wait == DeviceSocket::Wait::Interrupted || DeviceSocket::Clock::now() >= until) break;
    if (done && done()) break;
  }
  run.interrupted = wait == DeviceSocket::Wait::Interrupted;
  window.onReport = nullptr;
  session.Send(TypeRequest(requests::kTestStop));
  session.Close();
  if (run.interrupted) Message("interrupted: the inventory was stopped early");

  run.end = DeviceSocket::Clock::now();
  run.tags = run.epcMap.size();
  for (const auto& entry : run.epcMap) run.reads += entry.second.count;
  run.seconds = std::chrono::duration<double>(run.end - start).count();
  run.dropped = session.Socket().Dropped();
  if (run.dropped > 0) {
    Message(std::to_string(run.dropped) +
            " datagrams were dropped by the system: its receive buffer was full (" +
            std::to_string(session.Socket().GrantedBufferBytes()) + " bytes granted of the " +
            std::to_string(DeviceSocket::RequestedBufferBytes()) + " asked for)");
  }
  run.accepted = session.Socket().Accepted();
  return true;
}

int RunInventory(const Command& command) {
  ReadTestRun run;
  RunReadTest(command, run, command.seconds, nullptr);

  // The file first: a reader of the summary that goes away (a closed pipe) must not cost it.
  int code = kExitOk;
  if (command.csvPath) {
    std::string error;
    if (!WriteCsvFile(*command.csvPath, run.grid, error)) {
      Message(error);
      code = kExitFailure;
    }
  }
  if (command.json) {
    PrintSummaryJson(run);
  } else {
    PrintSummaryLines(run);
  }
  if (code != kExitOk) return code;
  if (run.tags == 0) {
    Message(run.accepted == 0 ? "no tag was read: nothing at all came from " + command.device.Text()
                              : "no tag was read");
    return kExitNoTags;
  }
  return kExitOk;
}
