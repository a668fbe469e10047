#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// What the read test shows of a reader beyond one row per tag: per antenna, per tag and over
// time. Fed with every report that the tag table processed, with the time it was processed;
// the time always comes from the caller, so that tests run it on a clock of their own.
//
// Every report costs the same small, fixed amount of work, and memory stays bounded: one
// 56-byte record per tag (kept beside the tag table's own entry, found by the tag's grid row),
// plus a fixed amount for the antennas, their rates over the last two minutes and the readings of
// one watched tag.
class ReadStats {
 public:
  using Clock = std::chrono::steady_clock;
  // Antennas beyond this many distinct names are counted together under kOtherAntenna.
  static constexpr std::size_t kMaxAntennas = 32;
  static constexpr const char* kOtherAntenna = "other";
  static constexpr int kSeriesSeconds = 120;
  static constexpr int kTagHistory = 5;
  static constexpr std::size_t kWatchedReadings = 2048;

  explicit ReadStats(Clock::time_point origin = Clock::now());

  // Forgets everything, as the count reset empties the grid; times count from `origin`.
  void Reset(Clock::time_point origin);
  // One processed report: the tag's grid row (1 for the first tag), the antenna text and the
  // signal as the grid shows them.
  void Add(int row, std::string_view antenna, int signal, Clock::time_point when);

  struct Reading {
    double seconds;  // since the origin
    int signal;
  };
  struct SignalRange {
    int min = 0;
    double mean = 0;
    int max = 0;
  };
  struct AntennaFigures {
    std::string name;
    std::uint32_t tags = 0;  // distinct tags it read
    std::uint64_t reads = 0;
    double lastSecondRate = 0;  // reads in the last whole second before `now`
    double meanRate = 0;        // reads per second since the first report
    SignalRange signal;
  };
  struct TagFigures {
    double firstSeen = 0;  // seconds since the origin
    double lastSeen = 0;
    std::uint32_t reads = 0;
    std::vector<std::string> antennas;
    SignalRange signal;
    std::vector<Reading> history;  // the last kTagHistory readings, oldest first
  };

  std::size_t TagCount() const { return tags.size(); }
  std::uint64_t Reads() const { return reads; }
  // Seconds from the first report to `now`; 0 before any.
  double Elapsed(Clock::time_point now) const;
  // In order of first sighting.
  std::vector<AntennaFigures> Antennas(Clock::time_point now) const;
  // Of a row that a report made; a row never seen gives zero reads.
  TagFigures Tag(int row) const;
  // Reads per second of each antenna (in the order of Antennas()) over the last kSeriesSeconds
  // whole seconds before `now`, oldest first.
  std::vector<std::vector<std::uint32_t>> Series(Clock::time_point now) const;

  // Keeps every reading of one tag from now on (bounded), for a plot of its signal over time;
  // 0 watches none. Begins with the tag's short history.
  void Watch(int row);
  int Watched() const { return watched; }
  std::vector<Reading> WatchedReadings() const;

 private:
  // 56 bytes a tag: times in milliseconds since the origin.
  struct TagRecord {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::uint32_t reads = 0;
    std::uint32_t antennas = 0;  // a bit per antenna index
    std::int64_t signalSum = 0;
    std::array<std::uint32_t, kTagHistory> historyTime{};
    std::array<std::int8_t, kTagHistory> historySignal{};
    std::int8_t minSignal = 0;
    std::int8_t maxSignal = 0;
    std::uint8_t historyNext = 0;
  };
  static_assert(sizeof(TagRecord) <= 56);
  struct AntennaRecord {
    std::string name;
    std::uint32_t tags = 0;
    std::uint64_t reads = 0;
    std::int64_t signalSum = 0;
    int minSignal = 0;
    int maxSignal = 0;
    std::array<std::uint32_t, kSeriesSeconds> perSecond{};
  };

  std::uint32_t Millis(Clock::time_point when) const;
  std::size_t AntennaIndex(std::string_view antenna);
  // Moves the per-second series on to the second `second`, clearing the seconds in between.
  void Advance(std::int64_t second);
  static SignalRange Range(int min, int max, std::int64_t sum, std::uint64_t count);

  Clock::time_point origin;
  std::deque<TagRecord> tags;  // by grid row - 1; a deque grows without copying or slack
  std::vector<AntennaRecord> antennas;
  std::uint64_t reads = 0;
  std::uint32_t firstReport = 0;
  // The newest second the series holds, counted from the origin; -1 before any report.
  std::int64_t newestSecond = -1;
  int watched = 0;
  std::deque<Reading> watchedReadings;
};
