#include "ReadStats.h"

#include <algorithm>
#include <limits>

namespace {
constexpr double kMillis = 1000.0;

double Seconds(std::uint32_t millis) {
  return millis / kMillis;
}

std::int8_t Narrow(int signal) {
  return static_cast<std::int8_t>(std::clamp(signal, -128, 127));
}
}  // namespace

ReadStats::ReadStats(Clock::time_point origin) : origin(origin) {}

void ReadStats::Reset(Clock::time_point newOrigin) {
  origin = newOrigin;
  tags.clear();
  tags.shrink_to_fit();
  antennas.clear();
  reads = 0;
  firstReport = 0;
  newestSecond = -1;
  watched = 0;
  watchedReadings.clear();
}

std::uint32_t ReadStats::Millis(Clock::time_point when) const {
  if (when <= origin) return 0;
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(when - origin).count();
  return static_cast<std::uint32_t>(
      std::min<long long>(millis, std::numeric_limits<std::uint32_t>::max()));
}

std::size_t ReadStats::AntennaIndex(std::string_view antenna) {
  for (std::size_t i = 0; i < antennas.size(); ++i) {
    if (antennas[i].name == antenna) return i;
  }
  // A faulty or forged device may name any number of antennas: the last slot takes the rest.
  if (antennas.size() + 1 >= kMaxAntennas) {
    if (antennas.size() + 1 == kMaxAntennas) antennas.push_back({kOtherAntenna});
    return kMaxAntennas - 1;
  }
  antennas.push_back({std::string(antenna)});
  return antennas.size() - 1;
}

void ReadStats::Advance(std::int64_t second) {
  if (second <= newestSecond) return;
  // A gap of more than the series' length clears it once, whatever its size.
  const std::int64_t from = std::max(newestSecond + 1, second - kSeriesSeconds + 1);
  for (AntennaRecord& antenna : antennas) {
    for (std::int64_t s = from; s <= second; ++s) antenna.perSecond[s % kSeriesSeconds] = 0;
  }
  newestSecond = second;
}

void ReadStats::Add(int row, std::string_view antennaText, int signal, Clock::time_point when) {
  if (row < 1) return;
  const std::uint32_t now = Millis(when);
  if (reads == 0) firstReport = now;
  const std::size_t index = AntennaIndex(antennaText);
  Advance(now / 1000);
  const std::int8_t shown = Narrow(signal);

  AntennaRecord& antenna = antennas[index];
  if (antenna.reads == 0 || shown < antenna.minSignal) antenna.minSignal = shown;
  if (antenna.reads == 0 || shown > antenna.maxSignal) antenna.maxSignal = shown;
  ++antenna.reads;
  antenna.signalSum += shown;
  // Reports handed over late may carry a time before the newest second: counted where they fall.
  const std::int64_t second = now / 1000;
  if (second > newestSecond - kSeriesSeconds) ++antenna.perSecond[second % kSeriesSeconds];

  // Rows are handed out in order of first sighting, so a new tag is the next record.
  while (tags.size() < static_cast<std::size_t>(row)) tags.emplace_back();
  TagRecord& tag = tags[row - 1];
  if (tag.reads == 0) {
    tag.first = now;
    tag.minSignal = tag.maxSignal = shown;
  }
  tag.minSignal = std::min(tag.minSignal, shown);
  tag.maxSignal = std::max(tag.maxSignal, shown);
  tag.last = now;
  ++tag.reads;
  tag.signalSum += shown;
  const std::uint32_t bit = 1u << index;
  if (!(tag.antennas & bit)) {
    tag.antennas |= bit;
    ++antenna.tags;
  }
  tag.historyTime[tag.historyNext] = now;
  tag.historySignal[tag.historyNext] = shown;
  tag.historyNext = static_cast<std::uint8_t>((tag.historyNext + 1) % kTagHistory);

  if (row == watched) {
    if (watchedReadings.size() == kWatchedReadings) watchedReadings.pop_front();
    watchedReadings.push_back({Seconds(now), shown});
  }
  ++reads;
}

double ReadStats::Elapsed(Clock::time_point now) const {
  if (reads == 0) return 0;
  const std::uint32_t at = Millis(now);
  return at > firstReport ? Seconds(at - firstReport) : 0;
}

ReadStats::SignalRange ReadStats::Range(int min, int max, std::int64_t sum, std::uint64_t count) {
  if (count == 0) return {};
  return {min, static_cast<double>(sum) / static_cast<double>(count), max};
}

std::vector<ReadStats::AntennaFigures> ReadStats::Antennas(Clock::time_point now) const {
  const std::int64_t lastWhole = static_cast<std::int64_t>(Millis(now) / 1000) - 1;
  // Rates since the first report, over at least a second so that one report is no flood.
  const double elapsed = std::max(Elapsed(now), 1.0);
  std::vector<AntennaFigures> figures;
  for (const AntennaRecord& antenna : antennas) {
    AntennaFigures f;
    f.name = antenna.name;
    f.tags = antenna.tags;
    f.reads = antenna.reads;
    if (lastWhole >= 0 && lastWhole <= newestSecond && lastWhole > newestSecond - kSeriesSeconds)
      f.lastSecondRate = antenna.perSecond[lastWhole % kSeriesSeconds];
    f.meanRate = static_cast<double>(antenna.reads) / elapsed;
    f.signal = Range(antenna.minSignal, antenna.maxSignal, antenna.signalSum, antenna.reads);
    figures.push_back(std::move(f));
  }
  return figures;
}

ReadStats::TagFigures ReadStats::Tag(int row) const {
  TagFigures f;
  if (row < 1 || static_cast<std::size_t>(row) > tags.size()) return f;
  const TagRecord& tag = tags[row - 1];
  if (tag.reads == 0) return f;
  f.firstSeen = Seconds(tag.first);
  f.lastSeen = Seconds(tag.last);
  f.reads = tag.reads;
  for (std::size_t i = 0; i < antennas.size(); ++i) {
    if (tag.antennas & (1u << i)) f.antennas.push_back(antennas[i].name);
  }
  f.signal = Range(tag.minSignal, tag.maxSignal, tag.signalSum, tag.reads);
  const int kept = static_cast<int>(std::min<std::uint32_t>(tag.reads, kTagHistory));
  for (int i = kept; i > 0; --i) {
    const int at = (tag.historyNext - i + kTagHistory) % kTagHistory;
    f.history.push_back({Seconds(tag.historyTime[at]), tag.historySignal[at]});
  }
  return f;
}

std::vector<std::vector<std::uint32_t>> ReadStats::Series(Clock::time_point now) const {
  const std::int64_t lastWhole = static_cast<std::int64_t>(Millis(now) / 1000) - 1;
  std::vector<std::vector<std::uint32_t>> series;
  for (const AntennaRecord& antenna : antennas) {
    std::vector<std::uint32_t> points(kSeriesSeconds, 0);
    for (int i = 0; i < kSeriesSeconds; ++i) {
      const std::int64_t second = lastWhole - (kSeriesSeconds - 1) + i;
      if (second >= 0 && second <= newestSecond && second > newestSecond - kSeriesSeconds)
        points[i] = antenna.perSecond[second % kSeriesSeconds];
    }
    series.push_back(std::move(points));
  }
  return series;
}

void ReadStats::Watch(int row) {
  watched = row;
  watchedReadings.clear();
  for (const Reading& reading : Tag(row).history) watchedReadings.push_back(reading);
}

std::vector<ReadStats::Reading> ReadStats::WatchedReadings() const {
  return {watchedReadings.begin(), watchedReadings.end()};
}
