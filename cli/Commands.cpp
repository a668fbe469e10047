#include "Commands.h"

#include <chrono>
#include <optional>

#include "ClockValue.h"
#include "ExitCodes.h"
#include "Json.h"
#include "Output.h"
#include "Session.h"

// The antenna lists the window reads but does not show, so they are read here.
std::optional<JsonMembers> ShownValues(const std::string& item, const std::string& text,
                                       ReplyWindow& window) {
  auto& fields = window.fields;
  if (item == "gateway" && fields.count("edtGateWayIP")) {
    return JsonMembers{{"ip", fields["edtGateWayIP"]}, {"port", fields["edtGateWayPort"]}};
  }
  if (item == "deviceid" && fields.count("edtDeviceID")) {
    return JsonMembers{{"deviceid", fields["edtDeviceID"]}};
  }
  if (item == "network" && window.networkMode == 0) return JsonMembers{{"mode", "dhcp"}};
  if (item == "network" && window.networkMode == 1) {
    return JsonMembers{{"mode", "static"},
                       {"ip", fields["edtNetWorkIP"]},
                       {"mask", fields["edtNetWorkMask"]},
                       {"gateway", fields["edtNetWorkGateWay"]},
                       {"dns1", fields["edtNetWorkDNS1"]},
                       {"dns2", fields["edtNetWorkDNS2"]}};
  }
  std::string rtc;
  if (item == "clock" && window.pickers && GetJsonField(text, "rtc", rtc, window)) {
    // The time as the window's pickers show it: the count read as UTC.
    return JsonMembers{{"rtc", rtc}, {"time", FormatCalendarTime(*window.pickers)}};
  }
  std::string antList;
  std::string modList;
  if (item == "antlist" && GetJsonField(text, "antlist", antList, window) &&
      GetJsonField(text, "modlist", modList, window)) {
    return JsonMembers{{"antlist", antList}, {"modlist", modList}};
  }
  return std::nullopt;
}

namespace {

// A reply the window would claim for the request but could not use: say so, and wait on.
void ReportUnusable(const std::string& key, const ReplyWindow& window) {
  std::string why;
  for (const std::string& line : window.log) why += (why.empty() ? "" : "; ") + line;
  Message("ignored an unusable " + key + " reply: " + why);
}

// Sends the command's request and dispatches until `accept` takes a reply that the request's
// own handler claimed. Answers false after a message when none came in time.
bool Exchange(const Command& command,
              const std::function<bool(const std::string& text, ReplyWindow& window)>& accept) {
  ReplyWindow window;
  Session session(command.device, window, command.anySender);
  session.Send(command.request);
  bool answered = false;
  session.Pump(DeviceSocket::After(command.timeoutSeconds),
               [&](const std::string& text, const Handler& by) {
                 if (by.key != command.replyKey) return false;
                 answered = accept(text, window);
                 if (!answered) ReportUnusable(command.replyKey, window);
                 return answered;
               });
  session.Close();
  if (!answered) {
    Message("no " + command.replyKey + " reply from " + command.device.Text() + " within " +
            SecondsText(command.timeoutSeconds) + " s");
  }
  return answered;
}

}  // namespace

int RunGet(const Command& command) {
  std::optional<JsonMembers> values;
  const bool answered = Exchange(command, [&](const std::string& text, ReplyWindow& window) {
    values = ShownValues(command.item, text, window);
    return values.has_value();
  });
  if (!answered) return kExitTimeout;
  PrintValues(*values, command.json);
  return kExitOk;
}

int RunSet(const Command& command) {
  std::string status;
  const bool answered = Exchange(command, [&](const std::string& text, ReplyWindow& window) {
    return GetJsonField(text, "status", status, window);
  });
  if (!answered) return kExitTimeout;
  PrintValues({{"status", status}}, command.json);
  // Success is "ok" exactly, as the window's success line needs it.
  if (status == "ok") return kExitOk;
  Message(command.device.Text() + " answered " + command.replyKey + " with status '" + status +
          "'");
  return kExitNotOk;
}

int RunReboot(const Command& command) {
  ReplyWindow window;
  Session session(command.device, window, command.anySender);
  session.Send(command.request);
  // The window disconnects at once and does not wait for the answer either.
  session.Close();
  return kExitOk;
}
