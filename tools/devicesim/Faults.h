// Fault injection: a share of the device's replies and reports is spoiled on purpose, so that
// tests and benchmarks can see how the tool copes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Message.h"
#include "Stats.h"
#include "Types.h"

namespace devicesim {

struct FaultShares {
  double malformed = 0;  // replaced by a proper prefix of its JSON text (never valid JSON)
  double oversize = 0;   // padded to exactly kOversizeBytes with a "pad" member
  double empty = 0;      // replaced by an empty datagram
  double capitals = 0;   // member names in capitals ("TYPE", "EPC", "RSSI", ...)
  double badstatus = 0;  // a "status" member's value replaced by one other than "ok"
  double duplicate = 0;  // the datagram is sent twice
  // Not spoilt datagrams but a device that misbehaves: a share of requests left unanswered, and
  // settings that a set answers "ok" to but does not keep (deviceid, gateway_ip, gateway_port,
  // network, ip, mask, gateway, dns1, dns2, clock).
  double silent = 0;
  std::vector<std::string> forget;
  // Nor spoilt datagrams but a reader that reads badly: antennas that read nothing, antennas
  // whose signals come in this many dB lower, and tags (the last `missing` of the population)
  // that never answer.
  std::vector<std::uint32_t> deadAntennas;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> weakAntennas;  // antenna, dB
  std::uint32_t missing = 0;
  // Whether any datagram is spoilt.
  bool any() const {
    return malformed > 0 || oversize > 0 || empty > 0 || capitals > 0 || badstatus > 0 ||
           duplicate > 0;
  }
};

inline constexpr std::size_t kOversizeBytes = 8193;

// Parses "name=share,name=share" (and "forget=SETTING", "dead-antenna=K", "weak-antenna=K:DB",
// "missing=N"); shares are decimals from 0 to 1, and malformed + oversize + empty (which replace
// the datagram and so exclude each other) must not exceed 1. forget and dead-antenna may be
// repeated and add up; for the others a later value replaces an earlier one (per antenna for
// weak-antenna). Returns the error text, or nothing on success.
std::optional<std::string> parseFaults(std::string_view text, FaultShares& out);

// Whether the antenna and tag faults fit a reader of `antennas` antennas and `tags` tags (which
// the list alone does not know); returns the error text.
std::optional<std::string> checkReaderFaults(const FaultShares& faults, std::uint32_t antennas,
                                             std::uint32_t tags);

// The settings that "forget" may name.
inline constexpr const char* kForgettable[] = {"deviceid", "gateway_ip", "gateway_port", "network",
                                               "ip",       "mask",       "gateway",      "dns1",
                                               "dns2",     "clock"};

// The text cut to a proper prefix: fraction 0 keeps half of it, fraction near 1 all but the
// last byte. A proper prefix of a JSON object is never valid JSON.
std::string makeMalformed(const std::string& rendered, double fraction);
// A rendered object with a "pad" member added so that the text is exactly kOversizeBytes long.
std::string makeOversize(const std::string& rendered);

class FaultInjector {
 public:
  FaultInjector(const FaultShares& shares, std::uint64_t seed, Stats& stats)
      : shares_(shares), random_(seed ^ 0xFA017ULL), stats_(stats) {}

  // Renders the message, spoils it as drawn and appends one or (duplicate) two datagrams.
  // Every datagram draws the same four numbers, whatever applies to it, so that a seed gives
  // the same faults on the same sequence of datagrams.
  void emit(Message message, Kind kind, const Endpoint& to, std::vector<Outgoing>& out);

 private:
  FaultShares shares_;
  Random random_;
  Stats& stats_;
};

}  // namespace devicesim
