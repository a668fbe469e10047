#include <span>

#include "ClockValue.h"
#include "Handler.h"
#include "Json.h"
#include "Requests.h"

// Every member read parses the whole text again and logs "Invalid json string:" on its own when
// the text is not JSON; the handlers rely on that and never parse themselves.

namespace {

// The shape of all but the catch-all: a text that holds the key is acted on and offered to no
// other handler.
class ClaimingHandler : public Handler {
 public:
  using Handler::Handler;
  bool Handle(std::string text) final {
    if (!Claims(text)) return false;
    Act(text);
    return true;
  }

 protected:
  virtual void Act(const std::string& text) = 0;
};

// A reply that is claimed and nothing more.
class SilentReply : public ClaimingHandler {
 public:
  using ClaimingHandler::ClaimingHandler;

 private:
  void Act(const std::string&) override {}
};

// A JSON member and the edit field that shows it; no field when the window has none for it.
struct Member {
  const char* name;
  const char* field;
};

// Each: every member is read, a missing one leaves the others unaffected.
// AllOf: the reading stops at the first member missing.
enum class Rule { Each, AllOf };

// Shows the members read in their fields; true when every member was read.
bool ShowMembers(const std::string& text, std::span<const Member> members, Rule rule,
                 DeviceWindow& window) {
  bool all = true;
  for (const Member& member : members) {
    std::string value;
    if (!GetJsonField(text, member.name, value, window)) {
      if (rule == Rule::AllOf) return false;
      all = false;
    } else if (member.field) {
      window.SetFieldText(member.field, value);
    }
  }
  return all;
}

// A get reply: its members shown, then the success line (with AllOf, only when all were read).
class MembersReply : public ClaimingHandler {
 public:
  MembersReply(const char* key, std::span<const Member> members, Rule rule, const char* success,
               DeviceWindow& window)
      : ClaimingHandler(key, window), members(members), rule(rule), success(success) {}

 private:
  void Act(const std::string& text) override {
    if (ShowMembers(text, members, rule, window) || rule == Rule::Each) window.AddLog(success);
  }

  const std::span<const Member> members;
  const Rule rule;
  const char* const success;
};

// The acknowledgement of a set operation: the success line only for "status" exactly "ok". With
// no line the status is still read, so that a text that is not JSON is logged.
class StatusReply : public ClaimingHandler {
 public:
  StatusReply(const char* key, const char* success, DeviceWindow& window)
      : ClaimingHandler(key, window), success(success) {}

 private:
  void Act(const std::string& text) override {
    std::string status;
    if (GetJsonField(text, "status", status, window) && status == "ok" && success)
      window.AddLog(success);
  }

  const char* const success;
};

// The catch-all: shows the type of whatever no other handler recognised.
class Handler0 : public Handler {
 public:
  explicit Handler0(DeviceWindow& window) : Handler("", window) {}
  bool Handle(std::string text) override {
    std::string type;
    if (GetJsonField(text, "type", type, window)) window.AddLog(type);
    return true;
  }
};

constexpr Member kGatewayMembers[] = {{"ip", "edtGateWayIP"}, {"port", "edtGateWayPort"}};
class Handler1 : public MembersReply {
 public:
  explicit Handler1(DeviceWindow& window)
      : MembersReply(requests::kGetGateway, kGatewayMembers, Rule::Each, "Get gateway!", window) {}
};

// The lists are read but not shown: the window has no field for them.
constexpr Member kAntListMembers[] = {{"antlist", nullptr}, {"modlist", nullptr}};
class Handler2 : public MembersReply {
 public:
  explicit Handler2(DeviceWindow& window)
      : MembersReply(requests::kGetAntList, kAntListMembers, Rule::AllOf, "Get antlist!", window) {}
};

constexpr Member kDeviceIdMembers[] = {{"deviceid", "edtDeviceID"}};
class Handler3 : public MembersReply {
 public:
  explicit Handler3(DeviceWindow& window)
      : MembersReply(requests::kGetDeviceId, kDeviceIdMembers, Rule::AllOf, "Get deviceid!",
                     window) {}
};

class Handler4 : public ClaimingHandler {
 public:
  explicit Handler4(DeviceWindow& window) : ClaimingHandler(requests::kGetNetwork, window) {}

 private:
  void Act(const std::string& text) override {
    std::string mode;
    if (!GetJsonField(text, "mode", mode, window)) return;
    if (mode == "dhcp") {
      window.SelectNetworkMode(0);
    } else {
      // Anything but the exact lower-case "dhcp" is a static configuration.
      window.SelectNetworkMode(1);
      static constexpr Member members[] = {{"ip", "edtNetWorkIP"},
                                           {"mask", "edtNetWorkMask"},
                                           {"gateway", "edtNetWorkGateWay"},
                                           {"dns1", "edtNetWorkDNS1"},
                                           {"dns2", "edtNetWorkDNS2"}};
      ShowMembers(text, members, Rule::Each, window);
    }
    window.AddLog("Get network！");
  }
};

class Handler5 : public ClaimingHandler {
 public:
  explicit Handler5(DeviceWindow& window) : ClaimingHandler(requests::kGetRtc, window) {}

 private:
  void Act(const std::string& text) override {
    std::string rtc;
    if (!GetJsonField(text, "rtc", rtc, window)) return;
    // A clock that cannot be read must neither move the pickers nor be reported as read.
    if (const auto time = DecodeClockValue(rtc)) {
      window.SetPickers(*time);
      window.AddLog("Get clock！");
    } else {
      window.AddLog(InvalidClockValueLog(rtc));
    }
  }
};

// Heartbeats are claimed silently so that they never reach the log.
class Handler6 : public SilentReply {
 public:
  explicit Handler6(DeviceWindow& window) : SilentReply("\"heart\"", window) {}
};

class Handler7 : public StatusReply {
 public:
  explicit Handler7(DeviceWindow& window)
      : StatusReply(requests::kSetGateway, "set network！", window) {}
};

class Handler8 : public StatusReply {
 public:
  explicit Handler8(DeviceWindow& window)
      : StatusReply(requests::kSetAntList, "set antlist！", window) {}
};

class Handler9 : public StatusReply {
 public:
  explicit Handler9(DeviceWindow& window)
      : StatusReply(requests::kSetDeviceId, "Set DeviceID！", window) {}
};

class Handler10 : public StatusReply {
 public:
  explicit Handler10(DeviceWindow& window)
      : StatusReply(requests::kSetRtc, "Set clock！", window) {}
};

class Handler11 : public StatusReply {
 public:
  explicit Handler11(DeviceWindow& window)
      : StatusReply(requests::kSetNetwork, "Set network！", window) {}
};

// The result is never shown.
class Handler12 : public StatusReply {
 public:
  explicit Handler12(DeviceWindow& window) : StatusReply(requests::kSetDirect, nullptr, window) {}
};

class Handler13 : public SilentReply {
 public:
  explicit Handler13(DeviceWindow& window) : SilentReply(requests::kGetSchedule, window) {}
};

class Handler14 : public StatusReply {
 public:
  explicit Handler14(DeviceWindow& window)
      : StatusReply(requests::kSetSchedule, "设置作息时间和消息发送配置成功！", window) {}
};

// The reply's content is not shown, so with no members the text is not parsed at all.
class Handler15 : public MembersReply {
 public:
  explicit Handler15(DeviceWindow& window)
      : MembersReply(requests::kGetR2000Mode, {}, Rule::AllOf, "读取射频模块工作模式成功!",
                     window) {}
};

class Handler16 : public StatusReply {
 public:
  explicit Handler16(DeviceWindow& window)
      : StatusReply(requests::kSetR2000Mode, "设置射频模块工作模式成功！", window) {}
};

// A tag report. The hint carries the whole report for the window's change handler, so it is set
// before the text; emptying the text first makes the same EPC twice in a row still a change.
class Handlerx : public ClaimingHandler {
 public:
  explicit Handlerx(DeviceWindow& window) : ClaimingHandler(requests::kEpcInfo, window) {}

 private:
  void Act(const std::string& text) override {
    std::string epc;
    if (!GetJsonField(text, "epc", epc, window)) return;
    window.SetFieldHint("edtCardNo", text);
    window.SetFieldText("edtCardNo", "");
    window.SetFieldText("edtCardNo", epc);
  }
};

}  // namespace
std::unique_ptr<HandlerChain> BuildHandlerChain(DeviceWindow& window) {
  auto chain = std::make_unique<HandlerChain>();
  // Each one goes to the front, so the catch-all created first ends up last and the tag report,
  // the most frequent datagram, is tried first.
  chain->Add(std::make_unique<Handler0>(window));
  chain->Add(std::make_unique<Handler1>(window));
  chain->Add(std::make_unique<Handler2>(window));
  chain->Add(std::make_unique<Handler3>(window));
  chain->Add(std::make_unique<Handler4>(window));
  chain->Add(std::make_unique<Handler5>(window));
  chain->Add(std::make_unique<Handler6>(window));
  chain->Add(std::make_unique<Handler7>(window));
  chain->Add(std::make_unique<Handler8>(window));
  chain->Add(std::make_unique<Handler9>(window));
  chain->Add(std::make_unique<Handler10>(window));
  chain->Add(std::make_unique<Handler11>(window));
  chain->Add(std::make_unique<Handler12>(window));
  chain->Add(std::make_unique<Handler13>(window));
  chain->Add(std::make_unique<Handler14>(window));
  chain->Add(std::make_unique<Handler15>(window));
  chain->Add(std::make_unique<Handler16>(window));
  chain->Add(std::make_unique<Handlerx>(window));
  return chain;
}
