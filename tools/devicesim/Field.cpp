#include "Field.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace devicesim {

Field::Field(std::size_t tags, std::uint32_t antennas, std::uint64_t seed,
             const FaultShares& faults)
    : antennas_(std::clamp<std::uint32_t>(antennas, 1, kMaxAntennas)),
      radios_(tags),
      weakDb_(antennas_ + 1, 0),
      random_(seed ^ 0x2E90ULL) {
  Random layout(seed ^ 0xF1E1DULL);
  // Facing antennas dealt out evenly, then shuffled: every antenna faces its share of the
  // population whatever the seed.
  std::vector<std::uint8_t> facing(tags);
  for (std::size_t i = 0; i < tags; ++i) facing[i] = static_cast<std::uint8_t>(i % antennas_ + 1);
  for (std::size_t i = tags; i > 1; --i) {
    std::swap(facing[i - 1], facing[layout.next() % i]);
  }
  for (std::size_t i = 0; i < tags; ++i) {
    // The same six draws for every tag, so that one tag's layout does not shift the next one's.
    const double shared = layout.unit();
    const double side = layout.unit();
    const double level = layout.unit();
    const double drop = layout.unit();
    const double noise = layout.unit();
    const double phase = layout.unit();
    TagRadio& radio = radios_[i];
    radio.antennas[0] = facing[i];
    radio.mean[0] = static_cast<float>(-68 + 30 * level);
    radio.noise[0] = static_cast<float>(1 + 2.5 * noise);
    if (antennas_ > 1 && shared < 0.4) {
      // The neighbour on one side or the other; it hears the tag 4-12 dB more weakly.
      const std::uint32_t step = side < 0.5 ? 1 : antennas_ - 1;
      radio.antennas[1] = static_cast<std::uint8_t>((facing[i] - 1 + step) % antennas_ + 1);
      radio.mean[1] = static_cast<float>(radio.mean[0] - 4 - 8 * drop);
      radio.noise[1] = static_cast<float>(1 + 2.5 * (1 - noise));
    }
    radio.leaveAt = static_cast<float>(kSettleSeconds +
                                       phase * (kCycleSeconds - kAwaySeconds - kSettleSeconds));
  }

  auto dead = [&faults](std::uint32_t antenna) {
    return std::find(faults.deadAntennas.begin(), faults.deadAntennas.end(), antenna) !=
           faults.deadAntennas.end();
  };
  for (const auto& [antenna, db] : faults.weakAntennas) {
    if (antenna >= 1 && antenna <= antennas_) weakDb_[antenna] = static_cast<int>(db);
  }
  const std::size_t present = tags - std::min<std::size_t>(faults.missing, tags);
  for (std::size_t i = 0; i < present; ++i) {
    Answering tag;
    tag.tag = static_cast<std::uint32_t>(i);
    for (std::uint8_t slot = 0; slot < 2; ++slot) {
      const std::uint32_t antenna = radios_[i].antennas[slot];
      if (antenna != 0 && !dead(antenna)) tag.live[tag.liveCount++] = slot;
    }
    if (tag.liveCount > 0) answering_.push_back(tag);
  }
  startRun();
}

bool Field::inRange(std::size_t tag, double seconds) const {
  const double phase = std::fmod(seconds, kCycleSeconds);
  const double leave = radios_[tag].leaveAt;
  return phase < leave || phase >= leave + kAwaySeconds;
}

std::optional<Read> Field::read(double seconds) {
  const std::size_t count = answering_.size();
  if (count == 0) return std::nullopt;
  std::size_t pick = count;
  if (firstPassLeft_ > 0) {
    --firstPassLeft_;
    pick = cursor_ % count;
  } else {
    for (std::size_t n = 0; n < count && pick == count; ++n) {
      const std::size_t at = (cursor_ + n) % count;
      if (inRange(answering_[at].tag, seconds)) pick = at;
    }
  }
  if (pick == count) return std::nullopt;
  cursor_ = pick + 1;

  // The same five draws for every read, so that a weak antenna changes signals and nothing else.
  const double choice = random_.unit();
  double spread = 0;
  for (int i = 0; i < 4; ++i) spread += random_.unit();
  spread = (spread - 2) * std::sqrt(3.0);  // mean 0, standard deviation 1

  const Answering& tag = answering_[pick];
  const std::size_t slot = tag.live[tag.liveCount == 2 && choice >= kFacingShare ? 1 : 0];
  const TagRadio& radio = radios_[tag.tag];
  Read read;
  read.tag = tag.tag;
  read.antenna = radio.antennas[slot];
  const auto level = static_cast<int>(std::lround(radio.mean[slot] + radio.noise[slot] * spread));
  read.rssi = std::max(std::clamp(level, kWeakest, kStrongest) - weakDb_[read.antenna], kFloor);
  return read;
}

}  // namespace devicesim
