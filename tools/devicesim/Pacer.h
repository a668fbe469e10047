// The report schedule of one test run: report k (0-based) is due at start + k / rate. Every due
// time is computed from the start, never by adding intervals, so the stream does not drift; a
// sender that falls behind finds several reports due at once and catches up in a burst.
#pragma once

#include <cstdint>
#include <limits>

#include "Types.h"

namespace devicesim {

class Pacer {
 public:
  // rate in reports per second; 0 means unpaced: every report is due at once.
  Pacer(double rate, TimePoint start) : rate_(rate), start_(start) {}

  // When report k is due (start for k = 0; the time rounded up to the nanosecond).
  TimePoint dueTime(std::uint64_t k) const;
  // How many reports are due at now, counted from the start (0 before the start).
  std::uint64_t dueBy(TimePoint now) const;

  double rate() const { return rate_; }
  TimePoint start() const { return start_; }

  static constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

 private:
  double rate_;
  TimePoint start_;
};

}  // namespace devicesim
