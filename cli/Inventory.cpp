#include "Inventory.h"

#include <cjson/cJSON.h>

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
#include "MemoryGrid.h"
#include "Output.h"
#include "Requests.h"
#include "Session.h"
#include "TagTable.h"

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

struct Totals {
  std::size_t tags = 0;
  long long reads = 0;
  double seconds = 0;
  std::uint64_t dropped = 0;
};

void PrintSummaryLines(const Totals& totals, const TagGrid& grid) {
  std::cout << "tags=" << totals.tags << "\nreads=" << totals.reads
            << "\nseconds=" << SecondsText(totals.seconds)
            << "\nreads_per_second=" << SecondsText(totals.reads / totals.seconds)
            << "\ndropped=" << totals.dropped << '\n';
  for (int row = 1; row <= static_cast<int>(totals.tags); ++row) {
    std::cout << "epc=" << grid.Cell(kColEpc, row) << " count=" << grid.Cell(kColCount, row)
              << " antenna=" << grid.Cell(kColAntenna, row) << " rssi=" << grid.Cell(kColRssi, row)
              << '\n';
  }
}

void PrintSummaryJson(const Totals& totals, const TagGrid& grid) {
  std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_CreateObject(), cJSON_Delete);
  if (!root) throw std::bad_alloc();
  cJSON_AddNumberToObject(root.get(), "tags", static_cast<double>(totals.tags));
  cJSON_AddNumberToObject(root.get(), "reads", static_cast<double>(totals.reads));
  cJSON_AddNumberToObject(root.get(), "seconds", totals.seconds);
  cJSON_AddNumberToObject(root.get(), "reads_per_second", totals.reads / totals.seconds);
  cJSON_AddNumberToObject(root.get(), "dropped", static_cast<double>(totals.dropped));
  cJSON* list = cJSON_AddArrayToObject(root.get(), "list");
  for (int row = 1; list && row <= static_cast<int>(totals.tags); ++row) {
    cJSON* tag = cJSON_CreateObject();
    cJSON_AddItemToArray(list, tag);
    cJSON_AddStringToObject(tag, "epc", grid.Cell(kColEpc, row).c_str());
    cJSON_AddNumberToObject(tag, "count", std::stod(grid.Cell(kColCount, row)));
    cJSON_AddStringToObject(tag, "antenna", grid.Cell(kColAntenna, row).c_str());
    cJSON_AddNumberToObject(tag, "rssi", std::stod(grid.Cell(kColRssi, row)));
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

int RunInventory(const Command& command) {
  if (FindEnglishFile().empty()) Message("Language/Pellow.eng not found: headers show ***");
  MemoryGrid grid;
  InitTagGrid(grid, EnglishHeaderText);
  EpcMap epcMap;

  const int interrupt = InstallInterruptPipe();
  ReplyWindow window;
  Session session(command.device, window, command.anySender);
  session.Send(TypeRequest(requests::kTestStart));
  const auto start = DeviceSocket::Clock::now();
  // Reports count from the start request on, as the window counts from its start click.
  window.onReport = [&](const std::string& report, const std::string& epc) {
    const EpcOutcome outcome = ProcessEpcInfo(report, epc, epcMap, grid, LocalTimeOfDay());
    if (!outcome.processed()) Message(outcome.logText);
  };
  const auto until = DeviceSocket::After(command.seconds);
  const bool interrupted = session.Pump(
                               until, [](const std::string&, const Handler&) { return false; },
                               interrupt) == DeviceSocket::Wait::Interrupted;
  window.onReport = nullptr;
  session.Send(TypeRequest(requests::kTestStop));
  session.Close();
  if (interrupted) Message("interrupted: the inventory was stopped early");

  Totals totals;
  totals.tags = epcMap.size();
  for (const auto& entry : epcMap) totals.reads += entry.second.count;
  totals.seconds = std::chrono::duration<double>(DeviceSocket::Clock::now() - start).count();
  totals.dropped = session.Socket().Dropped();
  if (totals.dropped > 0) {
    Message(std::to_string(totals.dropped) +
            " datagrams were dropped by the system: its receive buffer was full (" +
            std::to_string(session.Socket().GrantedBufferBytes()) + " bytes granted of the " +
            std::to_string(DeviceSocket::RequestedBufferBytes()) + " asked for)");
  }

  // The file first: a reader of the summary that goes away (a closed pipe) must not cost it.
  int code = kExitOk;
  if (command.csvPath) {
    std::string error;
    if (!WriteCsvFile(*command.csvPath, grid, error)) {
      Message(error);
      code = kExitFailure;
    }
  }
  if (command.json) {
    PrintSummaryJson(totals, grid);
  } else {
    PrintSummaryLines(totals, grid);
  }
  if (code != kExitOk) return code;
  if (totals.tags == 0) {
    Message(session.Socket().Accepted() == 0
                ? "no tag was read: nothing at all came from " + command.device.Text()
                : "no tag was read");
    return kExitNoTags;
  }
  return kExitOk;
}
