#include "ClockValue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "../common/ZoneScope.h"

namespace {

CalendarTime At(int year, int month, int day, int hour, int minute, int second) {
  return CalendarTime{year, month, day, hour, minute, second};
}

TEST(DecodeClockValueTest, CountsAsUtcInAnyZone) {
  struct Case {
    const char* rtc;
    CalendarTime expected;
  };
  const Case cases[] = {
      {"0", At(1970, 1, 1, 0, 0, 0)},
      {"1487658770", At(2017, 2, 21, 6, 32, 50)},
      {"-1", At(1969, 12, 31, 23, 59, 59)},
      {"-86400", At(1969, 12, 31, 0, 0, 0)},
      {"951782400", At(2000, 2, 29, 0, 0, 0)},
      {"2147483647", At(2038, 1, 19, 3, 14, 7)},
      {"-2147483648", At(1901, 12, 13, 20, 45, 52)},
      {"-0", At(1970, 1, 1, 0, 0, 0)},
      {"0001487658770", At(2017, 2, 21, 6, 32, 50)},
  };
  for (const char* zone : {"UTC0", "CST-8", "EST5EDT,M3.2.0,M11.1.0"}) {
    ZoneScope scope(zone);
    for (const auto& c : cases) {
      EXPECT_EQ(DecodeClockValue(c.rtc), c.expected) << c.rtc << " in " << zone;
    }
  }
}

TEST(DecodeClockValueTest, RefusesAnythingButA32BitDecimal) {
  for (const char* rtc : {"", "-", "+1", " 1", "1 ", "1\n", "12a", "1.5", "1e3", "0x10", "abc",
                          "2147483648", "-2147483649", "99999999999999999999", "--1"}) {
    EXPECT_EQ(DecodeClockValue(rtc), std::nullopt) << '"' << rtc << '"';
  }
  EXPECT_EQ(DecodeClockValue(std::string("1\0", 2)), std::nullopt);
}

TEST(EncodeClockValueTest, LocalTimeWithoutDaylightSaving) {
  struct Case {
    const char* zone;
    CalendarTime local;
    const char* expected;
  };
  const Case cases[] = {
      {"CST-8", At(2017, 2, 21, 14, 32, 50), "1487658770"},
      {"UTC0", At(1970, 1, 1, 0, 0, 0), "0"},
      // The library's failure value is a real second here and must still be sent.
      {"CST-8", At(1970, 1, 1, 7, 59, 59), "-1"},
      {"UTC0", At(2038, 1, 19, 3, 14, 7), "2147483647"},
#ifndef _WIN32
      // The Windows C library's mktime takes no time before 1970 UTC; such a clock is not sent.
      {"UTC0", At(1969, 12, 31, 23, 59, 59), "-1"},
      {"UTC0", At(1901, 12, 13, 20, 45, 52), "-2147483648"},
#endif
      // Summer time in effect, yet the fields are read as standard time (UTC+1).
      {"CET-1CEST,M3.5.0,M10.5.0/3", At(2017, 7, 1, 12, 0, 0), "1498906800"},
  };
  for (const auto& c : cases) {
    ZoneScope scope(c.zone);
    EXPECT_EQ(EncodeClockValue(c.local), c.expected) << FormatCalendarTime(c.local) << c.zone;
  }
}

TEST(EncodeClockValueTest, NothingOutsideTheRangeOrForNoRealDate) {
  ZoneScope scope("UTC0");
  const CalendarTime refused[] = {
      At(2038, 1, 19, 3, 14, 8),    At(1901, 12, 13, 20, 45, 51),   At(1900, 1, 1, 0, 0, 0),
      At(9999, 12, 31, 23, 59, 59), At(2017, 2, 29, 0, 0, 0),       At(2017, 13, 1, 0, 0, 0),
      At(2017, 1, 0, 0, 0, 0),      At(2017, 1, 1, 24, 0, 0),       At(2017, 1, 1, 0, 60, 0),
      At(2017, 1, 1, 0, 0, 60),     At(-2147483647, 1, 1, 0, 0, 0),
  };
  for (const auto& local : refused) {
    EXPECT_EQ(EncodeClockValue(local), std::nullopt) << FormatCalendarTime(local);
  }
}

TEST(EncodeClockValueTest, RangeFollowsTheZone) {
  ZoneScope scope("CST-8");
  EXPECT_EQ(EncodeClockValue(At(2038, 1, 19, 11, 14, 7)), "2147483647");
  EXPECT_EQ(EncodeClockValue(At(2038, 1, 19, 11, 14, 8)), std::nullopt);
}

TEST(ClockLogTest, Texts) {
  EXPECT_EQ(ClockNotSentLog(At(2040, 5, 6, 7, 8, 9)),
            "Clock not sent: 2040-05-06 07:08:09 is outside the device's range (1901-12-13 to "
            "2038-01-19).");
  EXPECT_EQ(ClockNotSentLog(At(2017, 2, 30, 0, 0, 0)),
            "Clock not sent: 2017-02-30 00:00:00 is not a valid date and time.");
  EXPECT_EQ(InvalidClockValueLog("12a"), "Invalid clock value:12a");
}

}  // namespace
