#include "Provision.h"

#include <chrono>
#include <exception>

#include "ClockValue.h"
#include "Commands.h"
#include "InputChecks.h"
#include "Json.h"
#include "Requests.h"
#include "Session.h"
#include "Settings.h"

namespace {

using Clock = std::chrono::steady_clock;

// A settings group as the window has it: its get item and, per plan column, the member that the
// get shows the value in.
struct Group {
  const char* item;
  std::vector<std::pair<std::string, std::string>> columns;
};
// Network last: it is the setting that may cost the connection on a real device.
const Group kGroups[] = {
    {"gateway", {{"gateway_ip", "ip"}, {"gateway_port", "port"}}},
    {"deviceid", {{"deviceid", "deviceid"}}},
    {"clock", {{"clock", "time"}}},
    {"network",
     {{"network", "mode"},
      {"ip", "ip"},
      {"mask", "mask"},
      {"gateway", "gateway"},
      {"dns1", "dns1"},
      {"dns2", "dns2"}}},
};

// Ends a device's run with an outcome other than ok.
struct Ending {
  std::string outcome;
  std::string detail;
};

std::string Member(const JsonMembers& members, const std::string& name) {
  for (const auto& [key, value] : members) {
    if (key == name) return value;
  }
  return "";
}

class DeviceJob {
 public:
  DeviceJob(const PlanRow& row, const DeviceRun& run, DeviceResult& result)
      : row(row), run(run), result(result), session(row.device, window, run.anySender) {}

  void Run() {
    std::vector<const Group*> groups;
    for (const Group& group : kGroups) {
      for (const auto& column : group.columns) {
        if (row.Changes(column.first)) {
          groups.push_back(&group);
          break;
        }
      }
    }
    // A row that changes nothing still shows that its device answers.
    if (groups.empty()) Read(kGroups[1], "read deviceid");
    for (const Group* group : groups) {
      Keep(*group, Read(*group, std::string("read ") + group->item), result.before);
    }
    for (const Group* group : groups) Set(*group);
    std::string mismatches;
    for (const Group* group : groups) {
      Keep(*group, Read(*group, std::string("check ") + group->item), result.after);
      for (const auto& column : group->columns) {
        const std::string found = Differs(column.first);
        if (!found.empty()) mismatches += (mismatches.empty() ? "" : "; ") + found;
      }
    }
    if (!mismatches.empty()) throw Ending{"mismatch", mismatches};
    if (run.reboot) {
      CheckStop("reboot");
      // As the window does: the device answers, but nothing waits for it.
      session.Send(TypeRequest(requests::kReboot));
    }
  }

 private:
  void CheckStop(const std::string& step) {
    if (run.stopRequested && run.stopRequested()) throw Ending{"interrupted", "before " + step};
  }

  // Sends the request until its own handler claims a reply that `accept` takes, resending it
  // up to run.retries times when none comes in time.
  void Ask(const std::string& step, const std::string& request, const std::string& key,
           const std::function<bool(const std::string&)>& accept) {
    for (int attempt = 0; attempt <= run.retries; ++attempt) {
      CheckStop(step);
      session.Send(request);
      bool taken = false;
      session.Pump(DeviceSocket::After(run.timeoutSeconds),
                   [&](const std::string& text, const Handler& by) {
                     taken = by.key == key && accept(text);
                     return taken;
                   });
      if (taken) return;
    }
    throw Ending{"timeout", step};
  }

  JsonMembers Read(const Group& group, const std::string& step) {
    const std::string item = group.item;
    const std::string type = FindSetting(item)->getType;
    JsonMembers shown;
    Ask(step, TypeRequest(type), type, [&](const std::string& text) {
      const auto values = ShownValues(item, text, window);
      if (values) shown = *values;
      return values.has_value();
    });
    if (item == "clock") readRtc = Member(shown, "rtc");
    return shown;
  }

  // The planned value of `column`, or the one read before when the row leaves it.
  std::string Planned(const std::string& column) const {
    const auto cell = row.cells.find(column);
    if (cell != row.cells.end()) return cell->second;
    const auto before = result.before.find(column);
    return before == result.before.end() ? "" : before->second;
  }

  void Set(const Group& group) {
    const std::string item = group.item;
    std::string request;
    if (item == "gateway") {
      request = SetGatewayRequest(Planned("gateway_ip"), Planned("gateway_port"));
    } else if (item == "deviceid") {
      request = SetDeviceIdRequest(Planned("deviceid"));
    } else if (item == "clock") {
      // The plan was checked whole, so the time encodes; "now" is taken as the request goes.
      sentRtc = *EncodeClockValue(ParseLocalTime(Planned("clock")));
      sentAt = Clock::now();
      request = SetRtcRequest(sentRtc);
    } else if (Planned("network") == "dhcp") {
      request = SetNetworkDhcpRequest();
    } else {
      const bool wasStatic = result.before.count("network") && result.before["network"] == "static";
      auto dns = [&](const char* column) {
        return row.Changes(column) || wasStatic ? Planned(column) : std::string();
      };
      request = SetNetworkStaticRequest(Planned("ip"), Planned("mask"), Planned("gateway"),
                                        dns("dns1"), dns("dns2"));
    }
    const std::string key = FindSetting(item)->setType;
    std::string status;
    Ask("set " + item, request, key,
        [&](const std::string& text) { return GetJsonField(text, "status", status, window); });
    // Success is "ok" exactly, as the window's success line needs it.
    if (status != "ok") throw Ending{"refused", key + " status '" + status + "'"};
  }

  void Keep(const Group& group, const JsonMembers& shown,
            std::map<std::string, std::string>& into) {
    for (const auto& [column, member] : group.columns) {
      for (const auto& [key, value] : shown) {
        if (key == member) into[column] = value;
      }
    }
  }

  // "column: planned X, read Y" when the device does not hold what the row set.
  std::string Differs(const std::string& column) const {
    if (!row.Changes(column)) return "";
    const auto after = result.after.find(column);
    const std::string read = after == result.after.end() ? "" : after->second;
    if (column != "clock") {
      if (read == row.cells.at(column)) return "";
      return column + ": planned " + row.cells.at(column) + ", read " + read;
    }
    // The clock runs on from the value set: it is right when it is ahead by no more than the
    // time since, give or take a second of rounding.
    const long long ahead = std::stoll(readRtc) - std::stoll(sentRtc);
    const double since = std::chrono::duration<double>(Clock::now() - sentAt).count();
    if (ahead >= -1 && ahead <= since + 1) return "";
    return "clock: planned " + FormatCalendarTime(*DecodeClockValue(sentRtc)) + ", read " + read;
  }

  const PlanRow& row;
  const DeviceRun& run;
  DeviceResult& result;
  ReplyWindow window;
  Session session;
  std::string sentRtc;
  std::string readRtc;
  Clock::time_point sentAt;
};

}  // namespace

DeviceResult CommissionDevice(const PlanRow& row, const DeviceRun& run) {
  DeviceResult result;
  result.device = row.device.Text();
  const auto start = Clock::now();
  try {
    DeviceJob job(row, run, result);
    job.Run();
    result.outcome = "ok";
  } catch (const Ending& ending) {
    result.outcome = ending.outcome;
    result.detail = ending.detail;
  } catch (const std::exception& e) {
    // The system refused the socket or the datagram: no route to the device.
    result.outcome = "unreachable";
    result.detail = e.what();
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}
