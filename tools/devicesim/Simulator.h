// The simulated device without sockets: it takes received datagrams and the time, and produces
// the datagrams to send. Everything here is deterministic for a given seed and sequence of
// calls, so tests drive it with an injected clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "Faults.h"
#include "Field.h"
#include "Message.h"
#include "Pacer.h"
#include "Settings.h"
#include "Stats.h"
#include "TagPopulation.h"
#include "Types.h"

struct cJSON;

namespace devicesim {

struct Config {
  double rate = 100;              // reports per second while testing; 0 = unpaced
  std::uint32_t tags = 50;        // size of the tag population
  std::uint32_t antennas = 4;     // numbered from 1
  std::uint64_t seed = 1;         // tags, antennas, signals, reads and faults
  double heartbeatSeconds = 5;    // 0 = no heartbeat
  std::uint32_t rebootMs = 3000;  // silence after "reboot"
  std::uint64_t count = 0;        // reports per test run; 0 = until "teststop"
  FaultShares faults;
  std::int64_t initialRtc = 0;  // device clock at construction (seconds since 1970)
};

class Simulator {
 public:
  Simulator(const Config& config, TimePoint now);
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // One received datagram; replies are appended to out, addressed to from.
  void onDatagram(std::string_view bytes, const Endpoint& from, TimePoint now,
                  std::vector<Outgoing>& out);
  // What is due by now: the end of a reboot, a heartbeat, and up to maxReports tag reports.
  void onTimer(TimePoint now, std::size_t maxReports, std::vector<Outgoing>& out);
  // The earliest time at which onTimer has something to do (possibly now or earlier), or
  // nothing when only a request can wake the device.
  std::optional<TimePoint> nextWakeup(TimePoint now) const;

  bool silent(TimePoint now) const { return rebooting_ && now < rebootUntil_; }
  bool streaming() const { return streaming_; }
  std::uint64_t reportsInRun() const { return sentInRun_; }
  const std::optional<Endpoint>& requester() const { return requester_; }
  const DeviceSettings& settings() const { return settings_; }
  std::int64_t rtc(TimePoint now) const { return clock_.read(now); }
  const TagPopulation& tags() const { return tags_; }
  const Field& field() const { return field_; }
  Stats& stats() { return stats_; }
  const Stats& stats() const { return stats_; }

 private:
  void finishRebootIfDue(TimePoint now, std::vector<Outgoing>& out);
  void emitHeartbeat(std::vector<Outgoing>& out);
  // Puts back what the "forget" fault names, as a set changed it.
  void forget(const DeviceSettings& kept, const DeviceClock& keptClock);
  Message answer(const std::string& type, const cJSON* request, TimePoint now);
  Message report(const Read& read);

  Config config_;
  DeviceSettings settings_;
  DeviceClock clock_;
  TagPopulation tags_;
  Field field_;
  Stats stats_;
  FaultInjector faults_;
  Random silentRandom_;
  std::optional<Endpoint> requester_;

  bool streaming_ = false;
  Pacer pacer_;
  std::uint64_t slotsInRun_ = 0;  // read slots of the pacer's schedule used, with or without a tag
  std::uint64_t sentInRun_ = 0;   // reports

  bool rebooting_ = false;
  TimePoint rebootUntil_{};

  TimePoint heartbeatAnchor_;
  TimePoint nextHeartbeat_;
};

}  // namespace devicesim
