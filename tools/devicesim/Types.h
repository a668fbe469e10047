// Basic types of the simulated device: time, addresses and outgoing datagrams.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace devicesim {

using TimePoint = std::chrono::steady_clock::time_point;
using Nanos = std::chrono::nanoseconds;

// Antennas a reader may have (--antennas), numbered from 1.
inline constexpr std::uint32_t kMaxAntennas = 32;

// The simulator core never reads a clock itself: every call takes "now". The server asks this
// interface, so that a test can drive time by hand.
class TimeSource {
 public:
  virtual ~TimeSource() = default;
  virtual TimePoint now() = 0;
};

class SteadyTimeSource final : public TimeSource {
 public:
  TimePoint now() override { return std::chrono::steady_clock::now(); }
};

// An IPv4 address and port, both in host byte order.
struct Endpoint {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  bool operator==(const Endpoint&) const = default;
  std::string text() const;  // "127.0.0.1:11002"
};

// What a datagram is, for the counters.
enum class Kind { Reply, Report, Heartbeat, Stats };

struct Outgoing {
  Endpoint to;
  Kind kind = Kind::Reply;
  std::string bytes;
};

// Deterministic generator (SplitMix64): the same seed gives the same tags, reports and faults
// on every platform, which std::uniform_*_distribution does not promise.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  // Uniform in [low, high].
  int between(int low, int high) {
    return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
  }

 private:
  std::uint64_t state_;
};

}  // namespace devicesim
