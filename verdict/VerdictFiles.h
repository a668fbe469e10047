#pragma once

#include <string>

#include "ReadStats.h"
#include "Recipe.h"
#include "TagTable.h"
#include "Verdict.h"

// Everything a verdict file says about the run besides the verdict itself.
struct RunInfo {
  std::string device;    // "127.0.0.1:11002"
  std::string deviceId;  // as the device answered; empty when it did not
  std::string version;   // the tool's
  std::string started;   // local time, ISO 8601
};

// The verdict as JSON: every criterion with its limit, measured value and outcome, the figures of
// every antenna and tag, the missing and the unexpected tags.
std::string VerdictJson(const Verdict& verdict, const Recipe& recipe, const RunInfo& run,
                        const EpcMap& tags, const ReadStats& stats,
                        ReadStats::Clock::time_point now);

// The verdict as a JUnit XML file, as CI servers and test stations read it: one test suite for
// the run, one test case per criterion, a failure where one failed.
std::string VerdictJUnit(const Verdict& verdict, const Recipe& recipe, const RunInfo& run);

// A text as XML 1.0 allows it even inside a reference: a forged EPC may hold control characters
// or bytes that are not UTF-8, which would make the whole file unreadable. Each such character
// or byte becomes U+FFFD.
std::string XmlSafe(const std::string& text);

// Both go through the atomic replace. False with `error` set when the file cannot be written.
bool WriteVerdictFile(const std::string& path, const std::string& text, std::string& error);
