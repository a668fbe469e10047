#include <gtest/gtest.h>

#include <algorithm>

#include "ReadStats.h"

namespace {

using namespace std::chrono_literals;
using Clock = ReadStats::Clock;

// Hand-counted reports on a clock of the test's own.
class ReadStatsTest : public ::testing::Test {
 protected:
  void Add(int row, const char* antenna, int signal, Clock::duration at) {
    stats.Add(row, antenna, signal, origin + at);
  }
  Clock::time_point origin = Clock::time_point() + 1h;
  ReadStats stats{origin};
};

}  // namespace

TEST_F(ReadStatsTest, AntennasCountTagsReadsRatesAndSignal) {
  Add(1, "1", 60, 100ms);
  Add(2, "1", 70, 200ms);
  Add(1, "2", 40, 300ms);
  Add(1, "1", 50, 1100ms);
  Add(3, "2", 80, 2500ms);
  const auto antennas = stats.Antennas(origin + 3100ms);
  ASSERT_EQ(antennas.size(), 2u);
  EXPECT_EQ(antennas[0].name, "1");
  EXPECT_EQ(antennas[0].tags, 2u);
  EXPECT_EQ(antennas[0].reads, 3u);
  EXPECT_EQ(antennas[0].signal.min, 50);
  EXPECT_DOUBLE_EQ(antennas[0].signal.mean, 60);
  EXPECT_EQ(antennas[0].signal.max, 70);
  EXPECT_DOUBLE_EQ(antennas[0].meanRate, 1.0);  // 3 reads from 0.1 s to 3.1 s
  EXPECT_EQ(antennas[0].lastSecondRate, 0);     // nothing in second 2
  EXPECT_EQ(antennas[1].lastSecondRate, 1);
  EXPECT_EQ(antennas[1].tags, 2u);

  const auto series = stats.Series(origin + 3100ms);
  ASSERT_EQ(series.size(), 2u);
  ASSERT_EQ(series[0].size(), static_cast<std::size_t>(ReadStats::kSeriesSeconds));
  // Oldest first: the last three points are seconds 0, 1 and 2.
  EXPECT_EQ(std::vector<std::uint32_t>(series[0].end() - 3, series[0].end()),
            (std::vector<std::uint32_t>{2, 1, 0}));
  EXPECT_EQ(std::vector<std::uint32_t>(series[1].end() - 3, series[1].end()),
            (std::vector<std::uint32_t>{1, 0, 1}));
  // Two minutes later the old seconds have left the series.
  Add(2, "1", 70, 200s);
  const auto later = stats.Series(origin + 201s);
  EXPECT_EQ(later[0].back(), 1u);
  EXPECT_EQ(std::count(later[0].begin(), later[0].end(), 0u), ReadStats::kSeriesSeconds - 1);
}

TEST_F(ReadStatsTest, TagsKeepTheirFiguresAndABoundedHistoryUntilReset) {
  for (int i = 0; i < 8; ++i) Add(1, i % 2 ? "2" : "1", 40 + i, std::chrono::milliseconds(i * 500));
  const ReadStats::TagFigures tag = stats.Tag(1);
  EXPECT_EQ(tag.reads, 8u);
  EXPECT_DOUBLE_EQ(tag.firstSeen, 0);
  EXPECT_DOUBLE_EQ(tag.lastSeen, 3.5);
  EXPECT_EQ(tag.antennas, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(tag.signal.min, 40);
  EXPECT_DOUBLE_EQ(tag.signal.mean, 43.5);
  EXPECT_EQ(tag.signal.max, 47);
  ASSERT_EQ(tag.history.size(), static_cast<std::size_t>(ReadStats::kTagHistory));
  EXPECT_EQ(tag.history.front().signal, 48 - ReadStats::kTagHistory);
  EXPECT_EQ(tag.history.back().signal, 47);
  EXPECT_EQ(stats.Tag(2).reads, 0u);

  // A watched tag keeps every reading from its short history on.
  stats.Watch(1);
  Add(1, "1", 90, 4s);
  EXPECT_EQ(stats.WatchedReadings().size(), static_cast<std::size_t>(ReadStats::kTagHistory) + 1);
  EXPECT_EQ(stats.WatchedReadings().back().signal, 90);

  stats.Reset(origin + 10s);
  EXPECT_EQ(stats.TagCount(), 0u);
  EXPECT_TRUE(stats.Antennas(origin + 11s).empty());
  EXPECT_EQ(stats.Reads(), 0u);
  EXPECT_TRUE(stats.WatchedReadings().empty());
}

// A forged device may name any number of antennas: the table stays bounded.
TEST_F(ReadStatsTest, AntennasPastTheLimitAreCountedTogether) {
  for (int i = 0; i < 100; ++i) Add(i + 1, std::to_string(i).c_str(), 50, 1s);
  const auto antennas = stats.Antennas(origin + 2s);
  ASSERT_EQ(antennas.size(), ReadStats::kMaxAntennas);
  EXPECT_EQ(antennas.back().name, ReadStats::kOtherAntenna);
  EXPECT_EQ(antennas.back().reads, 100u - (ReadStats::kMaxAntennas - 1));
  EXPECT_EQ(stats.Tag(100).antennas, (std::vector<std::string>{ReadStats::kOtherAntenna}));
}
