#pragma once

#include <string>
#include <vector>

#include "ReadStats.h"
#include "Recipe.h"
#include "TagTable.h"

// One thing a recipe asks of the reader, as data: the window, the console, the JSON and the
// JUnit file all print the same list.
struct Criterion {
  enum class Outcome { Pass, Warn, Fail };
  std::string name;      // "antenna 2 distinct tags"
  std::string limit;     // ">= 5"
  std::string measured;  // "3"
  Outcome outcome = Outcome::Pass;
  // What failed, in words, where the numbers alone do not say it (which tags).
  std::string detail;
};

const char* OutcomeText(Criterion::Outcome outcome);

struct Verdict {
  bool passed = true;
  std::vector<Criterion> criteria;
  std::vector<std::string> missing;     // expected and never seen, in the recipe's order
  std::vector<std::string> unexpected;  // seen and not expected, in order of first sighting
  double seconds = 0;                   // from the first report to the verdict

  std::vector<const Criterion*> Failed() const;
};

// Judges what the read test has seen against `recipe`, as at `now`: the tag table gives the
// tags by EPC and their rows, the statistics the figures of each.
Verdict Judge(const Recipe& recipe, const EpcMap& tags, const ReadStats& stats,
              ReadStats::Clock::time_point now);

// A number as the criteria show it: at most two decimals, no trailing zeros.
std::string FigureText(double value);
