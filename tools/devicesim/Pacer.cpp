#include "Pacer.h"

#include <cmath>

namespace devicesim {

TimePoint Pacer::dueTime(std::uint64_t k) const {
  if (rate_ <= 0 || k == 0) return start_;
  const long double ns = std::ceil(static_cast<long double>(k) * 1e9L / rate_);
  if (ns > static_cast<long double>(std::numeric_limits<Nanos::rep>::max() / 2)) {
    return TimePoint::max();
  }
  return start_ + Nanos(static_cast<Nanos::rep>(ns));
}

std::uint64_t Pacer::dueBy(TimePoint now) const {
  if (now < start_) return 0;
  if (rate_ <= 0) return kUnlimited;
  const long double elapsed = static_cast<long double>((now - start_).count());
  auto last = static_cast<std::uint64_t>(std::floor(elapsed * rate_ / 1e9L));
  // The floating estimate may be off by one at an exact due time; settle it against dueTime so
  // that dueBy(dueTime(k)) is always k + 1 and a waiting loop can never spin.
  while (dueTime(last + 1) <= now) ++last;
  while (last > 0 && dueTime(last) > now) --last;
  return last + 1;
}

}  // namespace devicesim
