#include "Verdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

namespace {

using Outcome = Criterion::Outcome;

// Names of the tags that failed, a few of them: the JSON file lists them all.
std::string FirstOf(const std::vector<std::string>& epcs) {
  constexpr std::size_t kShown = 5;
  std::string text;
  for (std::size_t i = 0; i < epcs.size() && i < kShown; ++i) text += (i ? ", " : "") + epcs[i];
  if (epcs.size() > kShown) text += " and " + std::to_string(epcs.size() - kShown) + " more";
  return text;
}

Criterion AtLeast(std::string name, double limit, double measured) {
  return {std::move(name), ">= " + FigureText(limit), FigureText(measured),
          measured >= limit ? Outcome::Pass : Outcome::Fail, ""};
}

}  // namespace

const char* OutcomeText(Criterion::Outcome outcome) {
  switch (outcome) {
    case Outcome::Pass:
      return "pass";
    case Outcome::Warn:
      return "warn";
    case Outcome::Fail:
      return "fail";
  }
  return "fail";
}

std::string FigureText(double value) {
  if (!std::isfinite(value)) return "0";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  std::string shown = text;
  while (shown.back() == '0') shown.pop_back();
  if (shown.back() == '.') shown.pop_back();
  return shown == "-0" ? "0" : shown;
}

std::vector<const Criterion*> Verdict::Failed() const {
  std::vector<const Criterion*> failed;
  for (const Criterion& criterion : criteria) {
    if (criterion.outcome == Outcome::Fail) failed.push_back(&criterion);
  }
  return failed;
}

Verdict Judge(const Recipe& recipe, const EpcMap& tags, const ReadStats& stats,
              ReadStats::Clock::time_point now) {
  Verdict verdict;
  verdict.seconds = stats.Elapsed(now);
  std::map<std::string, ReadStats::AntennaFigures> antennas;
  for (ReadStats::AntennaFigures& figures : stats.Antennas(now))
    antennas[figures.name] = std::move(figures);

  for (const std::string& name : recipe.readAntennas) {
    const auto found = antennas.find(name);
    const ReadStats::AntennaFigures figures =
        found == antennas.end() ? ReadStats::AntennaFigures{} : found->second;
    const Recipe::AntennaLimits limits = recipe.LimitsFor(name);
    const std::string prefix = "antenna " + name + " ";
    verdict.criteria.push_back(AtLeast(prefix + "reads", 1, static_cast<double>(figures.reads)));
    if (limits.minTags)
      verdict.criteria.push_back(
          AtLeast(prefix + "distinct tags", static_cast<double>(*limits.minTags), figures.tags));
    if (limits.minReadsPerSecond)
      verdict.criteria.push_back(
          AtLeast(prefix + "reads per second", *limits.minReadsPerSecond, figures.meanRate));
    if (limits.minSignal) {
      Criterion signal = AtLeast(prefix + "mean signal", *limits.minSignal, figures.signal.mean);
      // An antenna that read nothing has no signal at all, not a signal of 0.
      if (figures.reads == 0) {
        signal.measured = "none";
        signal.outcome = Outcome::Fail;
      }
      verdict.criteria.push_back(std::move(signal));
    }
  }
  for (const std::string& name : recipe.silentAntennas) {
    const auto found = antennas.find(name);
    const double reads = found == antennas.end() ? 0 : static_cast<double>(found->second.reads);
    verdict.criteria.push_back({"antenna " + name + " silent", "= 0", FigureText(reads),
                                reads == 0 ? Outcome::Pass : Outcome::Fail, ""});
  }

  if (!recipe.expected.empty()) {
    std::vector<std::string> fewReads;
    std::vector<std::string> weak;
    for (const std::string& epc : recipe.expected) {
      const auto found = tags.find(epc);
      if (found == tags.end()) {
        verdict.missing.push_back(epc);
        continue;
      }
      const ReadStats::TagFigures figures = stats.Tag(found->second.row);
      if (recipe.tagMinReads && figures.reads < *recipe.tagMinReads) fewReads.push_back(epc);
      if (recipe.tagMinSignal && figures.signal.mean < *recipe.tagMinSignal) weak.push_back(epc);
    }
    const double expected = static_cast<double>(recipe.expected.size());
    Criterion seen{"expected tags seen", "= " + FigureText(expected),
                   FigureText(expected - static_cast<double>(verdict.missing.size())),
                   verdict.missing.empty() ? Outcome::Pass : Outcome::Fail, ""};
    if (!verdict.missing.empty()) seen.detail = "never seen: " + FirstOf(verdict.missing);
    verdict.criteria.push_back(std::move(seen));
    const auto each = [&](const std::string& name, const std::string& limit,
                          const std::vector<std::string>& failing) {
      Criterion criterion{name, limit, FigureText(static_cast<double>(failing.size())) + " below",
                          failing.empty() ? Outcome::Pass : Outcome::Fail, ""};
      if (!failing.empty()) criterion.detail = FirstOf(failing);
      verdict.criteria.push_back(std::move(criterion));
    };
    if (recipe.tagMinReads)
      each("expected tags' reads",
           "each >= " + FigureText(static_cast<double>(*recipe.tagMinReads)), fewReads);
    if (recipe.tagMinSignal)
      each("expected tags' mean signal", "each >= " + FigureText(*recipe.tagMinSignal), weak);
  }

  if (recipe.unexpected != Recipe::Unexpected::Ignore) {
    const std::set<std::string> expected(recipe.expected.begin(), recipe.expected.end());
    std::vector<std::pair<int, std::string>> byRow;
    for (const auto& [epc, data] : tags) {
      if (!expected.count(epc)) byRow.emplace_back(data.row, epc);
    }
    std::sort(byRow.begin(), byRow.end());
    for (auto& entry : byRow) verdict.unexpected.push_back(std::move(entry.second));
    Criterion criterion{"unexpected tags", "= 0",
                        FigureText(static_cast<double>(verdict.unexpected.size())), Outcome::Pass,
                        ""};
    if (!verdict.unexpected.empty()) {
      criterion.outcome =
          recipe.unexpected == Recipe::Unexpected::Fail ? Outcome::Fail : Outcome::Warn;
      criterion.detail = FirstOf(verdict.unexpected);
    }
    verdict.criteria.push_back(std::move(criterion));
  }
  verdict.passed = verdict.Failed().empty();
  return verdict;
}
