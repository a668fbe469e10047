// Micro benchmarks of the steps every tag report takes, the export and the language lookup.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include "../tests/link/RecorderWindow.h"
#include "MemoryGrid.h"

#include <QApplication>
#include <QTableView>
#include <cstdio>
#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include "CsvExport.h"
#include "DeviceWindow.h"
#include "Handler.h"
#include "Language.h"
#include "ReadStats.h"
#include "TagGridModel.h"
#include "TagGridView.h"
#include "TagTable.h"

namespace {

std::string Epc(int tag) {
  char text[32];
  std::snprintf(text, sizeof text, "E28011700000%012X", static_cast<unsigned>(tag));
  return text;
}

std::string Report(const std::string& epc) {
  return R"({"type":"epcinfo","epc":")" + epc + R"(","epclen":"12","antid":"2","rssi":"-61"})";
}

void SetUpGrid(TagGrid& grid) {
  grid.SetColCount(kTagColumnCount);
  grid.SetRowCount(2);
  for (int col = 0; col < kTagColumnCount; ++col) grid.SetCell(col, 0, "head");
}

// A table already holding `tags` tags.
void Fill(TagGrid& grid, EpcMap& map, const std::vector<std::string>& epcs,
          const std::vector<std::string>& reports) {
  SetUpGrid(grid);
  const TimeOfDay now{12, 34, 56, 789};
  for (std::size_t i = 0; i < epcs.size(); ++i) ProcessEpcInfo(reports[i], epcs[i], map, grid, now);
}

void BM_HandlerChainEpcinfo(benchmark::State& state) {
  RecorderWindow window;
  auto chain = BuildHandlerChain(window);
  const std::string report = Report(Epc(42));
  for (auto _ : state) {
    chain->Dispatch(report);
    benchmark::DoNotOptimize(window.effects.data());
    window.effects.clear();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HandlerChainEpcinfo);

// Reports of tags already in the table, taken round the population as the reader sends them.
template <typename Grid>
void ProcessKnownTags(benchmark::State& state, Grid& grid, ReadStats* stats = nullptr) {
  const int tags = static_cast<int>(state.range(0));
  std::vector<std::string> epcs;
  std::vector<std::string> reports;
  for (int tag = 0; tag < tags; ++tag) {
    epcs.push_back(Epc(tag));
    reports.push_back(Report(epcs.back()));
  }
  EpcMap map;
  Fill(grid, map, epcs, reports);
  // Views learn of new rows once per pass of the event loop; this loop runs none.
  if constexpr (std::is_same_v<Grid, TagGridModel>) grid.ShowAppendedRows();
  const TimeOfDay now{12, 34, 56, 789};
  std::size_t next = 0;
  for (auto _ : state) {
    EpcOutcome outcome = ProcessEpcInfo(reports[next], epcs[next], map, grid, now);
    // As the window feeds the analysis page, with the time of processing.
    if (stats) stats->Add(outcome.row, outcome.antenna, outcome.signal, ReadStats::Clock::now());
    benchmark::DoNotOptimize(outcome);
    if (++next == epcs.size()) next = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ProcessEpcInfo_MemoryGrid(benchmark::State& state) {
  MemoryGrid grid;
  ProcessKnownTags(state, grid);
}
BENCHMARK(BM_ProcessEpcInfo_MemoryGrid)->Arg(100)->Arg(10000)->Arg(100000);

void BM_ProcessEpcInfo_TagGridModel(benchmark::State& state) {
  TagGridModel grid;
  ProcessKnownTags(state, grid);
}
BENCHMARK(BM_ProcessEpcInfo_TagGridModel)->Arg(100)->Arg(10000)->Arg(100000);

// The model shown in a table view, as in the window: every change reaches the view. With
// `stats`, the analysis is fed too, as the window does.
void ProcessKnownTagsInView(benchmark::State& state, ReadStats* stats) {
  TagGridModel grid;
  TagGridView view;
  view.setModel(&grid);
  view.resize(752, 465);
  view.show();
  ProcessKnownTags(state, grid, stats);
}

void BM_ProcessEpcInfo_TagGridModelInView(benchmark::State& state) {
  ProcessKnownTagsInView(state, nullptr);
}
BENCHMARK(BM_ProcessEpcInfo_TagGridModelInView)->Arg(100)->Arg(10000)->Arg(100000);

void BM_ProcessEpcInfo_TagGridModelInView_Analysed(benchmark::State& state) {
  ReadStats stats;
  ProcessKnownTagsInView(state, &stats);
}
BENCHMARK(BM_ProcessEpcInfo_TagGridModelInView_Analysed)->Arg(100)->Arg(10000)->Arg(100000);

// Heap bytes the analysis holds per tag, beyond the table and the grid.
void BM_AnalysisMemoryPerTag(benchmark::State& state) {
  const int tags = static_cast<int>(state.range(0));
  double perTag = 0;
  for (auto _ : state) {
    const std::size_t before = mallinfo2().uordblks;
    {
      ReadStats stats;
      const auto now = ReadStats::Clock::now();
      for (int row = 1; row <= tags; ++row) stats.Add(row, std::to_string(row % 4 + 1), 60, now);
      perTag = static_cast<double>(mallinfo2().uordblks - before) / tags;
    }
  }
  state.counters["bytes_per_tag"] = perTag;
}
BENCHMARK(BM_AnalysisMemoryPerTag)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// New tags: the table and the grid grow by one row per report.
void BM_ProcessEpcInfo_NewTags_TagGridModel(benchmark::State& state) {
  const int tags = static_cast<int>(state.range(0));
  std::vector<std::string> epcs;
  std::vector<std::string> reports;
  for (int tag = 0; tag < tags; ++tag) {
    epcs.push_back(Epc(tag));
    reports.push_back(Report(epcs.back()));
  }
  for (auto _ : state) {
    TagGridModel grid;
    EpcMap map;
    Fill(grid, map, epcs, reports);
    benchmark::DoNotOptimize(map.size());
  }
  state.SetItemsProcessed(state.iterations() * tags);
}
BENCHMARK(BM_ProcessEpcInfo_NewTags_TagGridModel)->Arg(100000)->Unit(benchmark::kMillisecond);

// Heap bytes the table and the grid model hold per tag.
void BM_MemoryPerTag(benchmark::State& state) {
  const int tags = static_cast<int>(state.range(0));
  std::vector<std::string> epcs;
  std::vector<std::string> reports;
  for (int tag = 0; tag < tags; ++tag) {
    epcs.push_back(Epc(tag));
    reports.push_back(Report(epcs.back()));
  }
  double perTag = 0;
  for (auto _ : state) {
    const std::size_t before = mallinfo2().uordblks;
    {
      TagGridModel grid;
      EpcMap map;
      Fill(grid, map, epcs, reports);
      perTag = static_cast<double>(mallinfo2().uordblks - before) / tags;
    }
  }
  state.counters["bytes_per_tag"] = perTag;
}
BENCHMARK(BM_MemoryPerTag)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

TagGridModel& ExportGrid() {
  static TagGridModel grid;
  if (grid.RowCount() == 0) {
    EpcMap map;
    std::vector<std::string> epcs;
    std::vector<std::string> reports;
    for (int tag = 0; tag < 100000; ++tag) {
      epcs.push_back(Epc(tag));
      reports.push_back(Report(epcs.back()));
    }
    Fill(grid, map, epcs, reports);
  }
  return grid;
}

void BM_BuildCsv100k(benchmark::State& state) {
  const TagGridModel& grid = ExportGrid();
  for (auto _ : state) {
    std::string text = BuildCsv(grid);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations() * grid.RowCount());
}
BENCHMARK(BM_BuildCsv100k)->Unit(benchmark::kMillisecond);

void BM_WriteCsvFile100k(benchmark::State& state) {
  const TagGridModel& grid = ExportGrid();
  const std::string path =
      (std::filesystem::temp_directory_path() / "tagwick-bench-export.csv").string();
  for (auto _ : state) {
    std::string error;
    if (!WriteCsvFile(path, grid, error)) state.SkipWithError(error.c_str());
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * grid.RowCount());
}
BENCHMARK(BM_WriteCsvFile100k)->Unit(benchmark::kMillisecond);

// Every call opens and reads the language file. The shipped files are copied first: the
// language object writes its choice back to the list file when it goes.
void BM_GetLangString(benchmark::State& state) {
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / "tagwick-bench-language";
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  std::filesystem::copy(std::filesystem::path(TAGWICK_SOURCE_DIR) / "Language", base / "Language");
  {
    TKorvelLanguage language(base.string(), "en_US.UTF-8");
    for (auto _ : state) {
      std::string text = language.GetLangString(5, "ExtStr", "Text");
      benchmark::DoNotOptimize(text.data());
    }
  }
  std::filesystem::remove_all(base);
}
BENCHMARK(BM_GetLangString);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
