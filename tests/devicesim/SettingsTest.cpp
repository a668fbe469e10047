#include "Settings.h"

#include <gtest/gtest.h>

namespace devicesim {
namespace {

using namespace std::chrono_literals;

TEST(Validators, Digits) {
  EXPECT_TRUE(isDigitsText("0"));
  EXPECT_TRUE(isDigitsText("0012345678901234567890"));
  EXPECT_FALSE(isDigitsText(""));
  EXPECT_FALSE(isDigitsText("12 34"));
  EXPECT_FALSE(isDigitsText("-1"));
  EXPECT_FALSE(isDigitsText("1a"));
  EXPECT_FALSE(isDigitsText(" 1"));
}

TEST(Validators, Port) {
  EXPECT_TRUE(isPortText("0"));
  EXPECT_TRUE(isPortText("80"));
  EXPECT_TRUE(isPortText("00080"));
  EXPECT_TRUE(isPortText("65535"));
  EXPECT_FALSE(isPortText("65536"));
  EXPECT_FALSE(isPortText("99999999999999999999999"));
  EXPECT_FALSE(isPortText(" 80"));
  EXPECT_FALSE(isPortText("80a"));
  EXPECT_FALSE(isPortText(""));
}

TEST(Validators, DottedDecimal) {
  EXPECT_TRUE(isDottedDecimalText("192.168.1.1"));
  EXPECT_TRUE(isDottedDecimalText("0.0.0.0"));
  EXPECT_TRUE(isDottedDecimalText("255.255.255.255"));
  EXPECT_FALSE(isDottedDecimalText("001.02.3.0004"));  // four digits in a group
  EXPECT_TRUE(isDottedDecimalText("001.02.3.04"));
  EXPECT_FALSE(isDottedDecimalText("256.1.1.1"));
  EXPECT_FALSE(isDottedDecimalText("1.2.3"));
  EXPECT_FALSE(isDottedDecimalText("1.2.3.4.5"));
  EXPECT_FALSE(isDottedDecimalText("1x2x3x4"));  // passes the tool's field check, not the device
  EXPECT_FALSE(isDottedDecimalText("1111111"));
  EXPECT_FALSE(isDottedDecimalText("1.2.3.4 "));
  EXPECT_FALSE(isDottedDecimalText("1..3.4"));
  EXPECT_FALSE(isDottedDecimalText(""));
}

TEST(Validators, ClockValue) {
  EXPECT_EQ(parseClockValue("0"), 0);
  EXPECT_EQ(parseClockValue("1487658770"), 1487658770);
  EXPECT_EQ(parseClockValue("-1"), -1);
  EXPECT_EQ(parseClockValue("2147483647"), 2147483647);
  EXPECT_EQ(parseClockValue("-2147483648"), -2147483648LL);
  EXPECT_EQ(parseClockValue("2147483648"), std::nullopt);
  EXPECT_EQ(parseClockValue("-2147483649"), std::nullopt);
  EXPECT_EQ(parseClockValue("99999999999999999999999"), std::nullopt);
  EXPECT_EQ(parseClockValue(""), std::nullopt);
  EXPECT_EQ(parseClockValue("-"), std::nullopt);
  EXPECT_EQ(parseClockValue("+5"), std::nullopt);
  EXPECT_EQ(parseClockValue("12x"), std::nullopt);
  EXPECT_EQ(parseClockValue("1.5"), std::nullopt);
  EXPECT_EQ(parseClockValue(" 1"), std::nullopt);
}

TEST(Validators, Mask) {
  EXPECT_TRUE(isMaskText("x011xxxxxxxxxxxxxxxx"));
  EXPECT_TRUE(isMaskText("xxx1"));
  EXPECT_FALSE(isMaskText(""));
  EXPECT_FALSE(isMaskText("x2"));
}

TEST(DeviceClock, AdvancesWholeSecondsFromTheValueSet) {
  const TimePoint t0{};
  DeviceClock clock(1000, t0);
  EXPECT_EQ(clock.read(t0), 1000);
  EXPECT_EQ(clock.read(t0 + 999ms), 1000);
  EXPECT_EQ(clock.read(t0 + 1s), 1001);
  EXPECT_EQ(clock.read(t0 + 61500ms), 1061);
  clock.set(-5, t0 + 2s);
  EXPECT_EQ(clock.read(t0 + 2s), -5);
  EXPECT_EQ(clock.read(t0 + 7s), 0);
}

}  // namespace
}  // namespace devicesim
