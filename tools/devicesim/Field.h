// The radio side of the simulated reader: which antennas see each tag, how strongly, and when the
// tag is in range. Everything is fixed by the seed. The faults that concern antennas and tags
// (dead-antenna, weak-antenna, missing) are applied here too, because they change what the
// reader reads rather than the datagrams it sends.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "Faults.h"
#include "Types.h"

namespace devicesim {

// One tag as the antennas see it. Index 0 is the antenna facing the tag, index 1 (if any) a
// neighbour that catches it more weakly.
struct TagRadio {
  std::array<std::uint8_t, 2> antennas{};  // 1-based; antennas[1] is 0 when one antenna sees it
  std::array<float, 2> mean{};             // mean signal per antenna, dBm
  std::array<float, 2> noise{};            // standard deviation per antenna, dB
  float leaveAt = 0;                       // seconds into each cycle at which the tag leaves
};

struct Read {
  std::size_t tag = 0;
  std::uint32_t antenna = 0;
  int rssi = 0;
};

class Field {
 public:
  // Tags drift out of range once per cycle, for kAwaySeconds, never in the first kSettleSeconds
  // of a cycle: a short run sees the whole population.
  static constexpr double kCycleSeconds = 40;
  static constexpr double kAwaySeconds = 8;
  static constexpr double kSettleSeconds = 5;
  // Healthy signals stay in this range; a weak antenna may go down to kFloor, the weakest
  // signal a reader still reports.
  static constexpr int kWeakest = -85;
  static constexpr int kStrongest = -25;
  static constexpr int kFloor = -100;
  // A tag that two antennas see is read by the facing one this often.
  static constexpr double kFacingShare = 0.6;

  Field(std::size_t tags, std::uint32_t antennas, std::uint64_t seed, const FaultShares& faults);

  std::uint32_t antennas() const { return antennas_; }
  const TagRadio& radio(std::size_t tag) const { return radios_[tag]; }
  bool inRange(std::size_t tag, double seconds) const;
  // How many tags can answer at all: not missing, and seen by an antenna that works.
  std::size_t answering() const { return answering_.size(); }

  // A new run: its first pass goes once through every answering tag, in range or not, so that a
  // run reports the whole population as early as the rate allows.
  void startRun() { firstPassLeft_ = answering_.size(); }
  // The read of one slot of a run, `seconds` after its start; nothing when no tag is in range.
  // Tags take turns, so that each tag in range is read as often as the others.
  std::optional<Read> read(double seconds);

 private:
  struct Answering {
    std::uint32_t tag = 0;
    std::array<std::uint8_t, 2> live{};  // indexes into TagRadio of antennas that work
    std::uint8_t liveCount = 0;
  };

  std::uint32_t antennas_;
  std::vector<TagRadio> radios_;
  std::vector<Answering> answering_;
  std::vector<int> weakDb_;  // by antenna number
  Random random_;
  std::size_t cursor_ = 0;
  std::size_t firstPassLeft_ = 0;
};

}  // namespace devicesim
