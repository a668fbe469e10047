#include "ClockValue.h"
#include "Handler.h"
#include "Json.h"

// Every member read parses the whole text again and logs "Invalid json string:" on its own when
// the text is not JSON; the handlers rely on that and never parse themselves.

namespace {

// The acknowledgement of a set operation: success only for "status" exactly "ok".
void LogWhenStatusOk(const std::string& text, const char* success, DeviceWindow& window) {
  std::string status;
  if (GetJsonField(text, "status", status, window) && status == "ok") window.AddLog(success);
}

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

class Handler1 : public Handler {
 public:
  explicit Handler1(DeviceWindow& window) : Handler("getgateway", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    std::string value;
    if (GetJsonField(text, "ip", value, window)) window.SetFieldText("edtGateWayIP", value);
    if (GetJsonField(text, "port", value, window)) window.SetFieldText("edtGateWayPort", value);
    window.AddLog("Get gateway!");
    return true;
  }
};

// The lists are read but not shown: the window has no field for them.
class Handler2 : public Handler {
 public:
  explicit Handler2(DeviceWindow& window) : Handler("getantlist", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    std::string antList;
    std::string modList;
    if (GetJsonField(text, "antlist", antList, window) &&
        GetJsonField(text, "modlist", modList, window)) {
      window.AddLog("Get antlist!");
    }
    return true;
  }
};

class Handler3 : public Handler {
 public:
  explicit Handler3(DeviceWindow& window) : Handler("getdeviceid", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    std::string deviceId;
    if (GetJsonField(text, "deviceid", deviceId, window)) {
      window.SetFieldText("edtDeviceID", deviceId);
      window.AddLog("Get deviceid!");
    }
    return true;
  }
};

class Handler4 : public Handler {
 public:
  explicit Handler4(DeviceWindow& window) : Handler("getnetwork", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    std::string mode;
    if (!GetJsonField(text, "mode", mode, window)) return true;
    if (mode == "dhcp") {
      window.SelectNetworkMode(0);
    } else {
      // Anything but the exact lower-case "dhcp" is a static configuration.
      window.SelectNetworkMode(1);
      static constexpr const char* members[][2] = {{"ip", "edtNetWorkIP"},
                                                   {"mask", "edtNetWorkMask"},
                                                   {"gateway", "edtNetWorkGateWay"},
                                                   {"dns1", "edtNetWorkDNS1"},
                                                   {"dns2", "edtNetWorkDNS2"}};
      for (const auto& [member, field] : members) {
        std::string value;
        if (GetJsonField(text, member, value, window)) window.SetFieldText(field, value);
      }
    }
    window.AddLog("Get network！");
    return true;
  }
};

class Handler5 : public Handler {
 public:
  explicit Handler5(DeviceWindow& window) : Handler("getrtc", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    std::string rtc;
    if (!GetJsonField(text, "rtc", rtc, window)) return true;
    // A clock that cannot be read must neither move the pickers nor be reported as read.
    if (const auto time = DecodeClockValue(rtc)) {
      window.SetPickers(*time);
      window.AddLog("Get clock！");
    } else {
      window.AddLog(InvalidClockValueLog(rtc));
    }
    return true;
  }
};

// Heartbeats are claimed silently so that they never reach the log.
class Handler6 : public Handler {
 public:
  explicit Handler6(DeviceWindow& window) : Handler("\"heart\"", window) {}
  bool Handle(std::string text) override { return Claims(text); }
};

class Handler7 : public Handler {
 public:
  explicit Handler7(DeviceWindow& window) : Handler("setgateway", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    LogWhenStatusOk(text, "set network！", window);
    return true;
  }
};

class Handler8 : public Handler {
 public:
  explicit Handler8(DeviceWindow& window) : Handler("setantlist", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    LogWhenStatusOk(text, "set antlist！", window);
    return true;
  }
};

class Handler9 : public Handler {
 public:
  explicit Handler9(DeviceWindow& window) : Handler("setdeviceid", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    LogWhenStatusOk(text, "Set DeviceID！", window);
    return true;
  }
};

class Handler10 : public Handler {
 public:
  explicit Handler10(DeviceWindow& window) : Handler("setrtc", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    LogWhenStatusOk(text, "Set clock！", window);
    return true;
  }
};

class Handler11 : public Handler {
 public:
  explicit Handler11(DeviceWindow& window) : Handler("setnetwork", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    LogWhenStatusOk(text, "Set network！", window);
    return true;
  }
};

// The status is read (and a text that is not JSON logged) but the result is never shown.
class Handler12 : public Handler {
 public:
  explicit Handler12(DeviceWindow& window) : Handler("setdirect", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    std::string status;
    GetJsonField(text, "status", status, window);
    return true;
  }
};

class Handler13 : public Handler {
 public:
  explicit Handler13(DeviceWindow& window) : Handler("getschedule", window) {}
  bool Handle(std::string text) override { return Claims(text); }
};

class Handler14 : public Handler {
 public:
  explicit Handler14(DeviceWindow& window) : Handler("setschedule", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    LogWhenStatusOk(text, "设置作息时间和消息发送配置成功！", window);
    return true;
  }
};

// The reply's content is not shown, so the text is not parsed at all.
class Handler15 : public Handler {
 public:
  explicit Handler15(DeviceWindow& window) : Handler("getr2000mode", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    window.AddLog("读取射频模块工作模式成功!");
    return true;
  }
};

class Handler16 : public Handler {
 public:
  explicit Handler16(DeviceWindow& window) : Handler("setr2000mode", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    LogWhenStatusOk(text, "设置射频模块工作模式成功！", window);
    return true;
  }
};

// A tag report. The hint carries the whole report for the window's change handler, so it is set
// before the text; emptying the text first makes the same EPC twice in a row still a change.
class Handlerx : public Handler {
 public:
  explicit Handlerx(DeviceWindow& window) : Handler("epcinfo", window) {}
  bool Handle(std::string text) override {
    if (!Claims(text)) return false;
    std::string epc;
    if (GetJsonField(text, "epc", epc, window)) {
      window.SetFieldHint("edtCardNo", text);
      window.SetFieldText("edtCardNo", "");
      window.SetFieldText("edtCardNo", epc);
    }
    return true;
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
