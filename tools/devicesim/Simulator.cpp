#include "Simulator.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <memory>
#include <string>

namespace devicesim {

namespace {

using namespace std::chrono_literals;

struct JsonDeleter {
  void operator()(cJSON* node) const { cJSON_Delete(node); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

// Member lookup ignores letter case and takes the first match, as the tool's does; a member
// that is not a JSON string counts as absent (the protocol carries strings only).
std::optional<std::string> stringMember(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItem(object, name);
  if (!cJSON_IsString(item) || !item->valuestring) return std::nullopt;
  return std::string(item->valuestring);
}

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

Nanos heartbeatPeriod(double seconds) {
  return Nanos(static_cast<Nanos::rep>(seconds * 1e9));
}

Message status(const std::string& type, bool ok) {
  Message reply(type);
  reply.add("status", ok ? "ok" : "error");
  return reply;
}

}  // namespace

Simulator::Simulator(const Config& config, TimePoint now)
    : config_(config),
      clock_(config.initialRtc, now),
      tags_(std::max<std::uint32_t>(config.tags, 1), config.seed),
      field_(tags_.size(), config.antennas, config.seed, config.faults),
      faults_(config.faults, config.seed, stats_),
      silentRandom_(config.seed ^ 0x5113ULL),
      pacer_(config.rate, now),
      heartbeatAnchor_(now),
      nextHeartbeat_(now + heartbeatPeriod(config.heartbeatSeconds)) {
  stats_.antennaReads.assign(field_.antennas(), 0);
}

void Simulator::onDatagram(std::string_view bytes, const Endpoint& from, TimePoint now,
                           std::vector<Outgoing>& out) {
  ++stats_.received;
  finishRebootIfDue(now, out);

  JsonPtr root(cJSON_ParseWithLength(bytes.data(), bytes.size()));
  const std::optional<std::string> type =
      cJSON_IsObject(root.get()) ? stringMember(root.get(), "type") : std::nullopt;
  if (!type) {
    ++stats_.invalid;
    return;
  }
  // The simulator's own counter request is answered even while "rebooting", is never spoiled
  // by faults, and does not make its sender the requester: a benchmark may poll it from a
  // socket of its own without diverting the stream.
  if (*type == "simstats") {
    ++stats_.statsRequests;
    out.push_back({from, Kind::Stats, stats_.toJson("simstats")});
    return;
  }
  if (silent(now)) {
    ++stats_.ignored;
    return;
  }
  if (config_.faults.silent > 0 && silentRandom_.unit() < config_.faults.silent) {
    ++stats_.silenced;
    return;
  }
  ++stats_.requests;
  requester_ = from;
  const DeviceSettings kept = settings_;
  const DeviceClock keptClock = clock_;
  Message reply = answer(*type, root.get(), now);
  forget(kept, keptClock);
  faults_.emit(std::move(reply), Kind::Reply, from, out);
  if (*type == "reboot") {
    // The answer goes out first; then the device is gone until it has restarted.
    rebooting_ = true;
    rebootUntil_ = now + std::chrono::milliseconds(config_.rebootMs);
    streaming_ = false;
    ++stats_.reboots;
  }
}

Message Simulator::answer(const std::string& type, const cJSON* request, TimePoint now) {
  DeviceSettings& s = settings_;
  auto member = [request](const char* name) { return stringMember(request, name); };
  auto refuse = [this, &type]() {
    ++stats_.refused;
    return status(type, false);
  };

  if (type == "getgateway") {
    return std::move(Message(type).add("ip", s.gatewayIp).add("port", s.gatewayPort));
  }
  if (type == "getdeviceid") return std::move(Message(type).add("deviceid", s.deviceId));
  if (type == "getnetwork") {
    return std::move(Message(type)
                         .add("mode", s.networkMode)
                         .add("ip", s.networkIp)
                         .add("mask", s.networkMask)
                         .add("gateway", s.networkGateway)
                         .add("dns1", s.networkDns1)
                         .add("dns2", s.networkDns2));
  }
  if (type == "getrtc")
    return std::move(Message(type).add("rtc", std::to_string(clock_.read(now))));
  if (type == "getantlist") {
    return std::move(Message(type).add("antlist", s.antList).add("modlist", s.modList));
  }
  if (type == "getschedule") return std::move(Message(type).add("schedule", s.schedule));

  if (type == "setgateway") {
    const auto ip = member("ip");
    const auto port = member("port");
    if (!ip || !port || !isDottedDecimalText(*ip) || !isPortText(*port)) return refuse();
    s.gatewayIp = *ip;
    s.gatewayPort = *port;
    return status(type, true);
  }
  if (type == "setdeviceid") {
    const auto id = member("deviceid");
    if (!id || !isDigitsText(*id)) return refuse();
    s.deviceId = *id;
    return status(type, true);
  }
  if (type == "setrtc") {
    const auto text = member("rtc");
    const auto value = text ? parseClockValue(*text) : std::nullopt;
    if (!value) return refuse();
    clock_.set(*value, now);
    return status(type, true);
  }
  if (type == "setnetwork") {
    const auto mode = member("mode");
    if (mode && *mode == "dhcp") {
      // The addresses stay stored; a DHCP device would report what it was given, and the tool
      // ignores them in DHCP mode anyway.
      s.networkMode = "dhcp";
      return status(type, true);
    }
    if (!mode || *mode != "static") return refuse();
    const auto ip = member("ip");
    const auto mask = member("mask");
    const auto gateway = member("gateway");
    const auto dns1 = member("dns1");
    const auto dns2 = member("dns2");
    for (const auto* value : {&ip, &mask, &gateway}) {
      if (!*value || !isDottedDecimalText(**value)) return refuse();
    }
    // The DNS servers are optional: the tool sends them empty when the operator leaves them.
    for (const auto* value : {&dns1, &dns2}) {
      if (!*value || (!(*value)->empty() && !isDottedDecimalText(**value))) return refuse();
    }
    s.networkMode = "static";
    s.networkIp = *ip;
    s.networkMask = *mask;
    s.networkGateway = *gateway;
    s.networkDns1 = *dns1;
    s.networkDns2 = *dns2;
    return status(type, true);
  }
  if (type == "setantlist") {
    const auto antList = member("antlist");
    const auto modList = member("modlist");
    if (!antList || !modList || !isMaskText(*antList) || !isMaskText(*modList)) return refuse();
    s.antList = *antList;
    s.modList = *modList;
    return status(type, true);
  }
  if (type == "setschedule") {
    const auto schedule = member("schedule");
    if (!schedule) return refuse();
    s.schedule = *schedule;
    return status(type, true);
  }

  if (type == "teststart") {
    // A new run: its schedule starts now, and --count counts from here.
    streaming_ = true;
    pacer_ = Pacer(config_.rate, now);
    slotsInRun_ = 0;
    sentInRun_ = 0;
    field_.startRun();
    ++stats_.testRuns;
    return status(type, true);
  }
  if (type == "teststop") {
    streaming_ = false;
    return status(type, true);
  }
  // The tool prefixes "debugstart" with the text of a hidden field ("qdw" by default).
  if (endsWith(type, "debugstart") || type == "debugstop" || type == "setactionreset" ||
      type == "reboot") {
    return status(type, true);
  }
  ++stats_.unknown;
  Message reply(type);
  reply.add("status", "unknown");
  return reply;
}

void Simulator::forget(const DeviceSettings& kept, const DeviceClock& keptClock) {
  const std::pair<const char*, std::string DeviceSettings::*> fields[] = {
      {"deviceid", &DeviceSettings::deviceId},
      {"gateway_ip", &DeviceSettings::gatewayIp},
      {"gateway_port", &DeviceSettings::gatewayPort},
      {"network", &DeviceSettings::networkMode},
      {"ip", &DeviceSettings::networkIp},
      {"mask", &DeviceSettings::networkMask},
      {"gateway", &DeviceSettings::networkGateway},
      {"dns1", &DeviceSettings::networkDns1},
      {"dns2", &DeviceSettings::networkDns2}};
  for (const std::string& name : config_.faults.forget) {
    if (name == "clock") clock_ = keptClock;
    for (const auto& [field, member] : fields) {
      if (name == field) settings_.*member = kept.*member;
    }
  }
}

void Simulator::finishRebootIfDue(TimePoint now, std::vector<Outgoing>& out) {
  if (!rebooting_ || now < rebootUntil_) return;
  rebooting_ = false;
  // Back up: the device announces itself with a heartbeat and beats on from here.
  heartbeatAnchor_ = now;
  nextHeartbeat_ = now + heartbeatPeriod(config_.heartbeatSeconds);
  if (config_.heartbeatSeconds > 0) emitHeartbeat(out);
}

void Simulator::emitHeartbeat(std::vector<Outgoing>& out) {
  if (!requester_) return;
  // Heartbeats are never spoiled: the faults are for replies and reports.
  out.push_back({*requester_, Kind::Heartbeat, Message("heart").render()});
}

Message Simulator::report(const Read& read) {
  const std::string& epc = tags_.epc(read.tag);
  ++stats_.antennaReads[read.antenna - 1];
  Message message("epcinfo");
  message.add("epc", epc)
      .add("epclen", std::to_string(epc.size() / 2))
      .add("antid", std::to_string(read.antenna))
      .add("rssi", std::to_string(read.rssi));
  return message;
}

void Simulator::onTimer(TimePoint now, std::size_t maxReports, std::vector<Outgoing>& out) {
  finishRebootIfDue(now, out);
  if (silent(now)) return;

  if (config_.heartbeatSeconds > 0 && now >= nextHeartbeat_) {
    emitHeartbeat(out);
    // The next beat on the schedule after now: beats missed while the process was stalled are
    // not caught up.
    const Nanos period = heartbeatPeriod(config_.heartbeatSeconds);
    const auto beats = (now - heartbeatAnchor_) / period;
    nextHeartbeat_ = heartbeatAnchor_ + period * (beats + 1);
  }

  // A reader with no tag that can answer reads nothing, however long it runs.
  if (!streaming_ || !requester_ || field_.answering() == 0) return;
  // Each slot of the schedule reads the next tag in range; a slot with none in range passes
  // without a report, as a real reader's inventory round finds nothing.
  const std::uint64_t due = pacer_.dueBy(now);
  for (std::size_t used = 0; used < maxReports && slotsInRun_ < due; ++used) {
    if (config_.count > 0 && sentInRun_ >= config_.count) break;
    // The slot's place on the schedule, not the time it is sent: a late sender reads the same
    // tags. Unpaced, every slot is due at the start.
    const double seconds = config_.rate > 0 ? static_cast<double>(slotsInRun_) / config_.rate : 0;
    ++slotsInRun_;
    if (const auto read = field_.read(seconds)) {
      faults_.emit(report(*read), Kind::Report, *requester_, out);
      ++sentInRun_;
    }
  }
  if (config_.count > 0 && sentInRun_ >= config_.count) streaming_ = false;
}

std::optional<TimePoint> Simulator::nextWakeup(TimePoint now) const {
  if (silent(now)) return rebootUntil_;
  if (rebooting_) return now;  // the reboot has ended; onTimer will finish it
  std::optional<TimePoint> wake;
  auto consider = [&wake](TimePoint t) {
    if (!wake || t < *wake) wake = t;
  };
  if (config_.heartbeatSeconds > 0 && requester_) consider(nextHeartbeat_);
  if (streaming_ && requester_ && field_.answering() > 0) consider(pacer_.dueTime(slotsInRun_));
  return wake;
}

}  // namespace devicesim
