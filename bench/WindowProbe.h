#pragma once

// What both window benchmarks measure on the window thread and in the process.
#include <sys/resource.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "TagGridModel.h"
#include "TagTable.h"

using BenchClock = std::chrono::steady_clock;

// How late the window thread gets to a timer: each firing against the time it was due, and the
// timer armed again from then on. A repeating QTimer keeps its own schedule and would hide a
// thread that is always late.
class LatenessProbe {
 public:
  explicit LatenessProbe(std::chrono::milliseconds interval) : interval(interval) {
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      const BenchClock::time_point now = BenchClock::now();
      lateMs.push_back(std::chrono::duration<double, std::milli>(now - due).count());
      Arm();
    });
  }
  void Start() { Arm(); }
  void Stop() { timer.stop(); }

  std::vector<double> lateMs;

 private:
  void Arm() {
    // Read before the timer takes its own reading: it is never due earlier than this.
    due = BenchClock::now() + interval;
    timer.start(interval);
  }

  std::chrono::milliseconds interval;
  BenchClock::time_point due;
  QTimer timer;
};

inline double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t at = std::min(
      values.size() - 1, static_cast<std::size_t>(fraction * static_cast<double>(values.size())));
  return values[at];
}

inline long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
  }
  return 0;
}

// Times any thread of the process went to sleep waiting and was woken again.
inline long VoluntaryContextSwitches() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_nvcsw;
}

inline void RunEventsFor(std::chrono::milliseconds duration) {
  QEventLoop loop;
  QTimer::singleShot(duration, &loop, &QEventLoop::quit);
  loop.exec();
}

// Sum of the grid's count column: every processed report added one there.
inline std::uint64_t ProcessedReports(TagGridModel& grid) {
  std::uint64_t sum = 0;
  for (int row = 1; row < grid.RowCount(); ++row) {
    sum += std::strtoull(grid.Cell(kColCount, row).c_str(), nullptr, 10);
  }
  return sum;
}
