#include "Pacer.h"

#include <gtest/gtest.h>

namespace devicesim {
namespace {

using namespace std::chrono_literals;

const TimePoint kStart = TimePoint{} + 1000s;

TEST(Pacer, NothingBeforeTheStartAndTheFirstReportAtIt) {
  Pacer pacer(100, kStart);
  EXPECT_EQ(pacer.dueBy(kStart - 1ns), 0u);
  EXPECT_EQ(pacer.dueBy(kStart), 1u);
  EXPECT_EQ(pacer.dueTime(0), kStart);
}

TEST(Pacer, ReportKIsDueExactlyAtStartPlusKOverRate) {
  Pacer pacer(100, kStart);
  EXPECT_EQ(pacer.dueTime(1), kStart + 10ms);
  EXPECT_EQ(pacer.dueTime(100), kStart + 1s);
  EXPECT_EQ(pacer.dueBy(kStart + 10ms - 1ns), 1u);
  EXPECT_EQ(pacer.dueBy(kStart + 10ms), 2u);
  EXPECT_EQ(pacer.dueBy(kStart + 1s - 1ns), 100u);
  EXPECT_EQ(pacer.dueBy(kStart + 1s), 101u);
}

TEST(Pacer, NoDriftOverALongRun) {
  // An hour at 50,000/s: the count due is exact, not the sum of rounded intervals.
  Pacer pacer(50000, kStart);
  EXPECT_EQ(pacer.dueBy(kStart + 3600s), 3600u * 50000u + 1u);
  EXPECT_EQ(pacer.dueTime(3600u * 50000u), kStart + 3600s);
  // 3 per second does not divide a second in nanoseconds: due times round up, never early.
  Pacer thirds(3, kStart);
  EXPECT_EQ(thirds.dueTime(1), kStart + 333333334ns);
  EXPECT_EQ(thirds.dueTime(3), kStart + 1s);
  EXPECT_EQ(thirds.dueBy(kStart + 86400s), 86400u * 3u + 1u);
}

TEST(Pacer, DueByAndDueTimeAgreeEverywhere) {
  for (double rate : {1.0, 3.0, 7.0, 100.0, 333.3, 1000.0, 12345.6, 1e6}) {
    Pacer pacer(rate, kStart);
    for (std::uint64_t k = 1; k < 5000; k += 7) {
      const TimePoint due = pacer.dueTime(k);
      EXPECT_EQ(pacer.dueBy(due), k + 1) << rate << " " << k;
      EXPECT_EQ(pacer.dueBy(due - 1ns), k) << rate << " " << k;
    }
  }
}

TEST(Pacer, FractionalRate) {
  Pacer pacer(0.5, kStart);
  EXPECT_EQ(pacer.dueTime(1), kStart + 2s);
  EXPECT_EQ(pacer.dueBy(kStart + 1999ms), 1u);
  EXPECT_EQ(pacer.dueBy(kStart + 2s), 2u);
}

TEST(Pacer, ZeroRateIsUnpaced) {
  Pacer pacer(0, kStart);
  EXPECT_EQ(pacer.dueBy(kStart), Pacer::kUnlimited);
  EXPECT_EQ(pacer.dueTime(1000000), kStart);
}

}  // namespace
}  // namespace devicesim
