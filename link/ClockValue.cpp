#include "ClockValue.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>

namespace {

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// mktime would silently normalise a 30th of February into March; the device must not get a
// clock the operator never chose.
bool IsRealDateTime(const CalendarTime& t) {
  return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) &&
         t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
         t.second <= 59;
}

// Every date of these years is more than a day away from the ends of the 32-bit range in any
// time zone, and the bound keeps year - 1900 from overflowing.
constexpr int kFirstPossibleYear = 1901;
constexpr int kLastPossibleYear = 2038;

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's civil_from_days).
CalendarTime CalendarFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // March is 0
  CalendarTime t;
  t.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  t.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  t.year = static_cast<int>(yearOfEra + era * 400 + (t.month <= 2 ? 1 : 0));
  return t;
}

}  // namespace

std::optional<std::string> EncodeClockValue(const CalendarTime& localTime) {
  if (!IsRealDateTime(localTime)) return std::nullopt;
  if (localTime.year < kFirstPossibleYear || localTime.year > kLastPossibleYear) {
    return std::nullopt;
  }
  std::tm fields{};
  fields.tm_year = localTime.year - 1900;
  fields.tm_mon = localTime.month - 1;
  fields.tm_mday = localTime.day;
  fields.tm_hour = localTime.hour;
  fields.tm_min = localTime.minute;
  fields.tm_sec = localTime.second;
  fields.tm_isdst = 0;
  // -1 is both the failure value and 1969-12-31 23:59:59 UTC; only a successful call fills in
  // the weekday.
  fields.tm_wday = -1;
  const std::time_t seconds = std::mktime(&fields);
  if (seconds == static_cast<std::time_t>(-1) && fields.tm_wday == -1) return std::nullopt;
  if (seconds < std::numeric_limits<std::int32_t>::min() ||
      seconds > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return std::to_string(static_cast<long long>(seconds));
}

std::string ClockNotSentLog(const CalendarTime& localTime) {
  if (!IsRealDateTime(localTime)) {
    return "Clock not sent: " + FormatCalendarTime(localTime) + " is not a valid date and time.";
  }
  return "Clock not sent: " + FormatCalendarTime(localTime) +
         " is outside the device's range (1901-12-13 to 2038-01-19).";
}

std::optional<CalendarTime> DecodeClockValue(const std::string& rtc) {
  std::int32_t seconds = 0;
  const char* end = rtc.data() + rtc.size();
  // from_chars takes no '+' and no leading blanks; the check of `ptr` refuses anything after.
  const auto [ptr, error] = std::from_chars(rtc.data(), end, seconds);
  if (error != std::errc() || ptr != end) return std::nullopt;

  const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399LL) / 86400;
  const std::int64_t secondOfDay = seconds - days * 86400;
  CalendarTime time = CalendarFromDays(days);
  time.hour = static_cast<int>(secondOfDay / 3600);
  time.minute = static_cast<int>(secondOfDay / 60 % 60);
  time.second = static_cast<int>(secondOfDay % 60);
  return time;
}

std::string InvalidClockValueLog(const std::string& rtc) {
  return "Invalid clock value:" + rtc;
}

std::string FormatCalendarTime(const CalendarTime& time) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}
