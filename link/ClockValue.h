#pragma once

#include <optional>
#include <string>

#include "DeviceWindow.h"

// The device clock travels as the decimal text of a signed 32-bit count of seconds since 1970.

// Takes the fields as local time with daylight saving off, as the device expects. Gives nothing
// when the fields are not a real date and time or the count does not fit in 32 bits.
std::optional<std::string> EncodeClockValue(const CalendarTime& localTime);

// The log line explaining why EncodeClockValue gave nothing for `localTime`.
std::string ClockNotSentLog(const CalendarTime& localTime);

// Reads the count as UTC. Only an optional '-' followed by decimal digits within the signed
// 32-bit range is accepted: no '+', no blanks, nothing after the digits.
std::optional<CalendarTime> DecodeClockValue(const std::string& rtc);

// The log line for an "rtc" text that DecodeClockValue refuses.
std::string InvalidClockValueLog(const std::string& rtc);

// "YYYY-MM-DD hh:mm:ss".
std::string FormatCalendarTime(const CalendarTime& time);
