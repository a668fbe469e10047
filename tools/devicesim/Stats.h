// Counters of what the simulator received and sent, for tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Types.h"

namespace devicesim {

struct Stats {
  // Received.
  std::uint64_t received = 0;       // every datagram that arrived
  std::uint64_t requests = 0;       // requests handled (simstats not included)
  std::uint64_t ignored = 0;        // requests that arrived while rebooting
  std::uint64_t silenced = 0;       // requests left unanswered by the "silent" fault
  std::uint64_t invalid = 0;        // not a JSON object with a string "type"
  std::uint64_t unknown = 0;        // requests of a type the device does not know
  std::uint64_t refused = 0;        // set requests answered with an error status
  std::uint64_t statsRequests = 0;  // simstats requests
  // Sent (counted when the kernel took the datagram).
  std::uint64_t sent = 0;
  std::uint64_t sentBytes = 0;
  std::uint64_t replies = 0;
  std::uint64_t reports = 0;
  std::uint64_t heartbeats = 0;
  std::uint64_t statsReplies = 0;
  // Faults injected (counted when applied).
  std::uint64_t malformed = 0;
  std::uint64_t oversize = 0;
  std::uint64_t empty = 0;
  std::uint64_t capitals = 0;
  std::uint64_t badstatus = 0;
  std::uint64_t duplicate = 0;
  // Events.
  std::uint64_t sendWaits = 0;   // times the send buffer was full and the sender waited
  std::uint64_t sendErrors = 0;  // datagrams the kernel refused (dropped)
  std::uint64_t reboots = 0;
  std::uint64_t testRuns = 0;
  // Reads per antenna (index 0 is antenna 1), counted as read, before faults and sending.
  std::vector<std::uint64_t> antennaReads;

  void noteSent(Kind kind, std::size_t bytes);
  // One-line JSON object of numbers; with a type, "type" comes first (the simstats reply).
  std::string toJson(const char* type = nullptr) const;
};

}  // namespace devicesim
