#include "ReadTest.h"

#include <ctime>
#include <functional>
#include <iostream>

#include "CsvExport.h"
#include "ExitCodes.h"
#include "Inventory.h"
#include "LocalTime.h"
#include "Output.h"
#include "Recipe.h"
#include "Verdict.h"
#include "VerdictFiles.h"

namespace {

std::string StartedText() {
  const std::tm local = LocalCalendarTime(std::time(nullptr));
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

void PrintVerdict(const Verdict& verdict) {
  for (const Criterion& criterion : verdict.criteria) {
    std::cout << OutcomeText(criterion.outcome) << ": " << criterion.name << " " << criterion.limit
              << ", measured " << criterion.measured
              << (criterion.detail.empty() ? "" : " (" + criterion.detail + ")") << '\n';
  }
  for (const std::string& epc : verdict.missing) std::cout << "missing=" << epc << '\n';
  for (const std::string& epc : verdict.unexpected) std::cout << "unexpected=" << epc << '\n';
  std::cout << "verdict=" << (verdict.passed ? "PASS" : "FAIL") << '\n';
}

}  // namespace

int RunTest(const Command& command) {
  Recipe recipe;
  try {
    recipe = LoadRecipe(command.recipePath);
  } catch (const RecipeError& error) {
    Message(error.what());
    return kExitBadInput;
  }
  RunInfo info{command.device.Text(), "", TAGWICK_VERSION, StartedText()};
  ReadTestRun run;
  run.readDeviceId = true;
  std::function<bool()> passed;
  if (recipe.stopWhenPassed) {
    passed = [&] { return Judge(recipe, run.epcMap, run.stats, ReadStats::Clock::now()).passed; };
  }
  if (!RunReadTest(command, run, recipe.seconds, passed)) return kExitTimeout;
  info.deviceId = run.deviceId.value_or("");

  const Verdict verdict = Judge(recipe, run.epcMap, run.stats, run.end);
  // The files first: a reader of the output that goes away (a closed pipe) must not cost them.
  bool written = true;
  std::string error;
  const auto write = [&](const std::optional<std::string>& path, const std::string& text) {
    if (path && !WriteVerdictFile(*path, text, error)) {
      Message(error);
      written = false;
    }
  };
  write(command.junitPath, VerdictJUnit(verdict, recipe, info));
  write(command.jsonPath, VerdictJson(verdict, recipe, info, run.epcMap, run.stats, run.end));
  if (command.csvPath && !WriteCsvFile(*command.csvPath, run.grid, error)) {
    Message(error);
    written = false;
  }
  if (command.json) {
    std::cout << VerdictJson(verdict, recipe, info, run.epcMap, run.stats, run.end);
  } else {
    std::cout << "deviceid=" << info.deviceId << "\ntags=" << run.tags << "\nreads=" << run.reads
              << "\nseconds=" << SecondsText(run.seconds) << "\ndropped=" << run.dropped << '\n';
    PrintVerdict(verdict);
  }
  if (!written) return kExitFailure;
  return verdict.passed ? kExitOk : kExitVerdictFail;
}
