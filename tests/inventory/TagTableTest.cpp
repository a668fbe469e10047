#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "../common/ZoneScope.h"
#include "CountingGrid.h"
#include "TagTable.h"

namespace {

using Cells = std::vector<std::string>;

const TimeOfDay kNoon{12, 34, 56, 789};
const TimeOfDay kLater{23, 5, 7, 9};

std::string Report(const std::string& members) {
  return "{\n\t\"type\":\t\"epcinfo\"" + (members.empty() ? "" : ",\n\t" + members) + "\n}";
}

class TagTableTest : public ::testing::Test {
 protected:
  void SetUp() override { grid.Init(); }

  EpcOutcome Process(const std::string& report, const std::string& epc,
                     const TimeOfDay& now = kNoon) {
    return ProcessEpcInfo(report, epc, epcMap, grid, now);
  }

  EpcMap epcMap;
  CountingGrid grid;
};

TEST(SignalTest, ConvertsTheDevicesSignalByteToTheShownStrength) {
  EXPECT_EQ(ConvertSignalText("-60"), "67");
  EXPECT_EQ(ConvertSignalText("60"), "-69");
  EXPECT_EQ(ConvertSignalText("129"), "0");
  EXPECT_EQ(ConvertSignalText("200"), "71");
  EXPECT_EQ(ConvertSignalText("88"), "-41");
  EXPECT_EQ(ConvertSignalText("+1"), "-128");
  EXPECT_EQ(ConvertSignalText("0"), "127");
  EXPECT_EQ(ConvertSignalText("-127"), "0");
  EXPECT_EQ(ConvertSignalText("2147483647"), "126");  // v + 127 wraps, no overflow
  EXPECT_EQ(ConvertSignalText("-2147483648"), "127");
}

TEST(SignalTest, RejectsWhatIsNotADecimalInteger) {
  for (const char* text : {"", "-", "+", "-61.5", "1e3", " 60", "60 ", "0x10", "$10", "+-5", "--5",
                           "2147483648", "-2147483649", "abc", "6O"}) {
    EXPECT_FALSE(ConvertSignalText(text).has_value()) << text;
  }
}

TEST(TimeTextTest, FormatsHoursMinutesSecondsMilliseconds) {
  EXPECT_EQ(FormatTimeText(kNoon), "12:34:56:789");
  EXPECT_EQ(FormatTimeText(kLater), "23:05:07:009");
  EXPECT_EQ(FormatTimeText(TimeOfDay{0, 0, 0, 0}), "00:00:00:000");
}

TEST(TimeTextTest, LocalTimeOfDayIsTheClockInTheLocalZone) {
  ZoneScope zone("CST-8");  // eight hours east of UTC, no summer time
  constexpr std::int64_t kDayMs = 86400000;
  const auto millisecondOfDay = [](std::chrono::system_clock::time_point time) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    return (ms + 8 * 3600000) % kDayMs;
  };
  const auto asMilliseconds = [](const TimeOfDay& t) {
    return ((t.hour * 60 + t.minute) * 60 + t.second) * std::int64_t{1000} + t.millisecond;
  };
  // 2017-02-21 06:32:50.123 UTC
  const std::chrono::system_clock::time_point fixed{std::chrono::milliseconds(1487658770123)};
  EXPECT_EQ(FormatTimeText(LocalTimeOfDay(fixed)), "14:32:50:123");

  // The clock read just before and just after: the reading lies between (a try across midnight is
  // made again).
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::int64_t before = millisecondOfDay(std::chrono::system_clock::now());
    const std::int64_t now = asMilliseconds(LocalTimeOfDay());
    const std::int64_t after = millisecondOfDay(std::chrono::system_clock::now());
    if (after < before) continue;
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
    return;
  }
  FAIL() << "the clock went back twice";
}

TEST_F(TagTableTest, FirstReportFillsRowOneAndKeepsTwoRows) {
  const EpcOutcome outcome = Process(Report("\"epc\":\t\"E200001\",\n\t\"rssi\":\t\"-60\","
                                            "\n\t\"epclen\":\t\"12\",\n\t\"antid\":\t\"2\""),
                                     "E200001");
  ASSERT_TRUE(outcome.processed());
  EXPECT_EQ(outcome.countText, "1");
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.Row(1), (Cells{"1", "E200001", "12", "2", "1", "67", "12:34:56:789"}));
  EXPECT_EQ(grid.setRowCalls, 1);
  EXPECT_EQ(grid.setCellCalls, 0);
  ASSERT_EQ(epcMap.size(), 1u);
  EXPECT_EQ(epcMap.at("E200001").row, 1);
  EXPECT_EQ(epcMap.at("E200001").count, 1);
  EXPECT_EQ(grid.Row(0)[0], "No");  // header untouched
}

TEST_F(TagTableTest, SameEpcTwiceCountsTwoAndShowsTheSecondReport) {
  Process(Report("\"rssi\": \"-60\", \"antid\": \"1\""), "AABB");
  const EpcOutcome outcome = Process(Report("\"rssi\": \"60\", \"antid\": \"3\""), "AABB", kLater);
  ASSERT_TRUE(outcome.processed());
  EXPECT_EQ(outcome.countText, "1");
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.Row(1), (Cells{"1", "AABB", "2", "3", "2", "-69", "23:05:07:009"}));
  EXPECT_EQ(epcMap.at("AABB").count, 2);
  EXPECT_EQ(grid.setRowCalls, 2);
  EXPECT_EQ(grid.setRowCountCalls, 1);  // only the first sighting sets it
}

TEST_F(TagTableTest, EpcsDifferingInCaseAreTwoTags) {
  Process(Report(""), "abcd");
  const EpcOutcome outcome = Process(Report(""), "ABCD");
  EXPECT_EQ(outcome.countText, "2");
  EXPECT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(grid.Row(1)[1], "abcd");
  EXPECT_EQ(grid.Row(2)[1], "ABCD");
  EXPECT_EQ(epcMap.size(), 2u);
}

TEST_F(TagTableTest, EpcIsKeptExactlyAsReceived) {
  Process(Report(""), " e2-00 ");
  Process(Report(""), "e2-00");
  EXPECT_EQ(epcMap.size(), 2u);
  EXPECT_EQ(grid.Row(1)[1], " e2-00 ");
  EXPECT_EQ(grid.Row(1)[2], "3");  // 7 bytes / 2
}

TEST_F(TagTableTest, DefaultsForA24CharacterEpc) {
  const std::string epc = "E28011606000020D4B5C0B2A";
  ASSERT_EQ(epc.size(), 24u);
  Process(Report("\"epc\": \"" + epc + "\""), epc);
  EXPECT_EQ(grid.Row(1), (Cells{"1", epc, "12", "0", "1", "-41", "12:34:56:789"}));
}

TEST_F(TagTableTest, OddEpcLengthRoundsDown) {
  Process(Report(""), "ABCDE");
  EXPECT_EQ(grid.Row(1)[2], "2");
}

TEST_F(TagTableTest, MemberNamesIgnoreCaseAndFirstMatchCounts) {
  Process(Report("\"RSSI\": \"-60\", \"EpcLen\": \"9\", \"ANTID\": \"4\", \"rssi\": \"60\""), "A1");
  EXPECT_EQ(grid.Row(1)[2], "9");
  EXPECT_EQ(grid.Row(1)[3], "4");
  EXPECT_EQ(grid.Row(1)[5], "67");
}

TEST_F(TagTableTest, StringValuesAreTakenAsReceived) {
  Process(Report("\"epclen\": \" 12 \", \"antid\": \"ant,1\""), "A1");
  EXPECT_EQ(grid.Row(1)[2], " 12 ");
  EXPECT_EQ(grid.Row(1)[3], "ant,1");
}

TEST_F(TagTableTest, NonIntegerRssiAbandonsTheReport) {
  Process(Report("\"rssi\": \"-60\""), "A1");
  const CountingGrid before = grid;
  const EpcMap mapBefore = epcMap;

  EpcOutcome outcome = Process(Report("\"rssi\": \"-61.5\""), "A1", kLater);
  EXPECT_EQ(outcome.kind, EpcOutcome::Kind::InvalidSignal);
  EXPECT_EQ(outcome.logText, "'-61.5' is not a valid integer value");
  EXPECT_EQ(outcome.countText, "");

  outcome = Process(Report("\"rssi\": \"x\""), "NEW");
  EXPECT_EQ(outcome.kind, EpcOutcome::Kind::InvalidSignal);
  EXPECT_EQ(outcome.logText, "'x' is not a valid integer value");

  outcome = Process(Report("\"rssi\": \"\""), "NEW");
  EXPECT_EQ(outcome.logText, "'' is not a valid integer value");

  EXPECT_EQ(grid.cells, before.cells);
  EXPECT_EQ(grid.setRowCalls, before.setRowCalls);
  EXPECT_EQ(grid.setRowCountCalls, before.setRowCountCalls);
  ASSERT_EQ(epcMap.size(), mapBefore.size());
  EXPECT_EQ(epcMap.at("A1").count, 1);
}

TEST_F(TagTableTest, InvalidJsonIsLoggedAndChangesNothing) {
  Process(Report(""), "A1");
  const CountingGrid before = grid;
  const std::string text = "{\"type\": \"epcinfo\", \"epc\": ";
  const EpcOutcome outcome = Process(text, "A1");
  EXPECT_EQ(outcome.kind, EpcOutcome::Kind::InvalidJson);
  EXPECT_EQ(outcome.logText, "收到下位机无效EPC字符串:" + text);
  EXPECT_EQ(std::string(kInvalidEpcLogPrefix) + text, outcome.logText);
  EXPECT_EQ(grid.cells, before.cells);
  EXPECT_EQ(grid.setRowCalls, before.setRowCalls);
  EXPECT_EQ(epcMap.at("A1").count, 1);

  EXPECT_EQ(Process("", "A1").kind, EpcOutcome::Kind::InvalidJson);
}

TEST_F(TagTableTest, NumbersAreTakenAsTheirDecimalText) {
  Process(Report("\"rssi\": -60, \"epclen\": 12, \"antid\": 1"), "A1");
  EXPECT_EQ(grid.Row(1)[2], "12");
  EXPECT_EQ(grid.Row(1)[3], "1");
  EXPECT_EQ(grid.Row(1)[5], "67");

  Process(Report("\"rssi\": 60.0, \"epclen\": 3000000000, \"antid\": 2.5"), "A1");
  EXPECT_EQ(grid.Row(1)[2], "3000000000");
  EXPECT_EQ(grid.Row(1)[3], "2.5");
  EXPECT_EQ(grid.Row(1)[5], "-69");  // 60.0 is integral: "60"
}

TEST_F(TagTableTest, NonIntegralRssiNumberFailsLikeItsText) {
  const EpcOutcome outcome = Process(Report("\"rssi\": -61.5"), "A1");
  EXPECT_EQ(outcome.kind, EpcOutcome::Kind::InvalidSignal);
  EXPECT_EQ(outcome.logText, "'-61.5' is not a valid integer value");
  EXPECT_TRUE(epcMap.empty());
}

TEST_F(TagTableTest, OtherKindsFallBackToTheDefaults) {
  Process(Report("\"rssi\": true, \"epclen\": null, \"antid\": {\"a\": \"1\"}"), "AABBCC");
  EXPECT_EQ(grid.Row(1), (Cells{"1", "AABBCC", "3", "0", "1", "-41", "12:34:56:789"}));
  Process(Report("\"rssi\": [\"60\"], \"epclen\": false, \"antid\": null"), "AABBCC");
  EXPECT_EQ(grid.Row(1), (Cells{"1", "AABBCC", "3", "0", "2", "-41", "12:34:56:789"}));
}

TEST_F(TagTableTest, ReportThatIsNotAnObjectUsesTheDefaults) {
  const EpcOutcome outcome = Process("[1, 2]", "A1");
  ASSERT_TRUE(outcome.processed());
  EXPECT_EQ(grid.Row(1), (Cells{"1", "A1", "1", "0", "1", "-41", "12:34:56:789"}));
}

TEST_F(TagTableTest, KnownTagUpdatesOnlyItsOwnRow) {
  Process(Report("\"rssi\": \"-60\""), "T1");
  Process(Report("\"rssi\": \"-61\""), "T2");
  Process(Report("\"rssi\": \"-62\""), "T3");
  const CountingGrid before = grid;
  grid.rowsWritten.clear();

  const EpcOutcome outcome = Process(Report("\"rssi\": \"-70\", \"antid\": \"4\""), "T2", kLater);
  EXPECT_EQ(outcome.countText, "3");
  EXPECT_EQ(grid.rowsWritten, std::vector<int>{2});
  EXPECT_EQ(grid.RowCount(), 4);
  for (int row : {0, 1, 3}) EXPECT_EQ(grid.Row(row), before.Row(row)) << row;
  EXPECT_EQ(grid.Row(2), (Cells{"2", "T2", "1", "4", "2", "57", "23:05:07:009"}));
}

TEST_F(TagTableTest, NewTagsGrowTheGridOneRowEach) {
  for (int i = 1; i <= 5; ++i) {
    const EpcOutcome outcome = Process(Report(""), "TAG" + std::to_string(i));
    EXPECT_EQ(outcome.countText, std::to_string(i));
    EXPECT_EQ(grid.RowCount(), i + 1);
    EXPECT_EQ(grid.Row(i)[0], std::to_string(i));
    EXPECT_EQ(epcMap.at("TAG" + std::to_string(i)).row, i);
  }
}

TEST_F(TagTableTest, AfterAResetTheNextReportLandsInRowOne) {
  Process(Report(""), "T1");
  Process(Report(""), "T2");
  // What btnClearClick does: clear the cells, InitGrid, empty the table.
  ClearGridCells(grid);
  for (const auto& row : grid.cells) {
    for (const auto& cell : row) EXPECT_EQ(cell, "");
  }
  grid.Init();
  epcMap.clear();
  const EpcOutcome outcome = Process(Report(""), "T2");
  EXPECT_EQ(outcome.countText, "1");
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.Row(1)[0], "1");
  EXPECT_EQ(grid.Row(1)[4], "1");
}

TEST(ClearGridCellsTest, ClearsEveryCellOfEveryRowAndColumn) {
  MemoryGrid grid;
  grid.Init();
  grid.SetRowCount(4);
  grid.SetRow(3, {"a", "b", "c", "d", "e", "f", "g"});
  ClearGridCells(grid);
  EXPECT_EQ(grid.RowCount(), 4);
  EXPECT_EQ(grid.ColCount(), 7);
  for (const auto& row : grid.cells) EXPECT_EQ(row, Cells(7));
}

}  // namespace
