#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Handler.h"
#include "RecorderWindow.h"

namespace {

// U+FF01 in UTF-8, spelled out so that a look-alike character in the code cannot pass.
const std::string kWideBang = "\xEF\xBC\x81";

struct Case {
  const char* name;
  std::string text;
  std::vector<std::string> effects;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

std::vector<std::string> Dispatch(const std::string& text) {
  RecorderWindow window;
  BuildHandlerChain(window)->Dispatch(text);
  return window.effects;
}

class HandlersTest : public testing::TestWithParam<Case> {};

TEST_P(HandlersTest, EffectsInOrder) {
  EXPECT_EQ(Dispatch(GetParam().text), GetParam().effects);
}

const std::string kStatic = R"({"type":"getnetwork","mode":"static","ip":"10.0.0.9",)"
                            R"("mask":"255.255.255.0","gateway":"10.0.0.1","dns1":"8.8.8.8"})";
const std::string kReport = R"({"type":"epcinfo","epc":"E200getgateway","antid":"setrtc"})";

INSTANTIATE_TEST_SUITE_P(
    Replies, HandlersTest,
    testing::Values(
        // Heartbeats and what merely looks like one.
        Case{"Heartbeat", R"({"type":"heart"})", {}},
        Case{"HeartbeatWordIsNoHeartbeat", R"({"type":"heartbeat"})", {"log heartbeat"}},
        // The catch-all.
        Case{"RebootShowsType", R"({"type":"reboot","status":"ok"})", {"log reboot"}},
        Case{"KeyCaseMatters", R"({"type":"GETGATEWAY","ip":"1.2.3.4"})", {"log GETGATEWAY"}},
        Case{"NoTypeLogsEmptyLine", R"({"a":"b"})", {"log "}},
        Case{"NumericTypeLogsEmptyLine", R"({"type":5})", {"log "}},
        Case{"NotJsonUnclaimed", "hello", {"log Invalid json string:hello"}},
        // Claims by a key found anywhere, and which handler is offered the text first.
        Case{"KeyInOtherValue", R"({"type":"unknown","note":"setrtc"})", {}},
        Case{"SetBeforeGet",
             R"({"type":"getrtc","note":"setrtc","status":"ok"})",
             {"log Set clock" + kWideBang}},
        Case{"HeartbeatBeforeGetgateway", R"({"type":"heart","ip":"getgateway"})", {}},
        Case{"EpcinfoFirst",
             kReport,
             {"hint edtCardNo=" + kReport, "text edtCardNo=", "text edtCardNo=E200getgateway"}},
        Case{"EpcinfoNotJson", "epcinfo", {"log Invalid json string:epcinfo"}},
        Case{"EpcinfoWithoutEpc",
             R"({"type":"epcinfo"})",
             {"hint edtCardNo={\"type\":\"epcinfo\"}", "text edtCardNo=", "text edtCardNo="}},
        // Set acknowledgements: only "ok" exactly.
        Case{"SetGatewayOk",
             R"({"type":"setgateway","status":"ok"})",
             {"log set network" + kWideBang}},
        Case{"SetNetworkOk",
             R"({"type":"setnetwork","status":"ok"})",
             {"log Set network" + kWideBang}},
        Case{"SetNetworkUpperOk", R"({"type":"setnetwork","status":"OK"})", {}},
        Case{"SetGatewayOkayIsNoOk", R"({"type":"setgateway","status":"okay"})", {}},
        Case{"SetGatewayBlankOk", R"({"type":"setgateway","status":" ok"})", {}},
        Case{"SetNetworkNoStatus", R"({"type":"setnetwork"})", {}},
        Case{"SetNetworkStatusNumber", R"({"type":"setnetwork","status":1})", {}},
        Case{"StatusNameAnyCase",
             R"({"type":"setdeviceid","Status":"ok"})",
             {"log Set DeviceID" + kWideBang}},
        Case{"SetRtcOk", R"({"type":"setrtc","status":"ok"})", {"log Set clock" + kWideBang}},
        Case{"SetAntlistOk",
             R"({"type":"setantlist","status":"ok"})",
             {"log set antlist" + kWideBang}},
        Case{"SetScheduleOk",
             R"({"type":"setschedule","status":"ok"})",
             {"log 设置作息时间和消息发送配置成功" + kWideBang}},
        Case{"SetR2000ModeOk",
             R"({"type":"setr2000mode","status":"ok"})",
             {"log 设置射频模块工作模式成功" + kWideBang}},
        Case{"SetDirectOkSilent", R"({"type":"setdirect","status":"ok"})", {}},
        Case{"SetNotJson", "setgateway", {"log Invalid json string:setgateway"}},
        Case{"SetDirectNotJson", "setdirect", {"log Invalid json string:setdirect"}},
        // Silent and unparsed replies.
        Case{"GetScheduleSilent", "getschedule", {}},
        Case{"GetR2000ModeBareText", "getr2000mode", {"log 读取射频模块工作模式成功!"}},
        // Gateway.
        Case{"GetGateway",
             R"({"type":"getgateway","ip":"10.0.0.2","port":"8080"})",
             {"text edtGateWayIP=10.0.0.2", "text edtGateWayPort=8080", "log Get gateway!"}},
        Case{"GetGatewayCapitalIpNoPort",
             R"({"type":"getgateway","IP":"10.0.0.5"})",
             {"text edtGateWayIP=10.0.0.5", "text edtGateWayPort=", "log Get gateway!"}},
        Case{"GetGatewayFirstMatchWins",
             R"({"type":"getgateway","Ip":"1.1.1.1","ip":"2.2.2.2"})",
             {"text edtGateWayIP=1.1.1.1", "text edtGateWayPort=", "log Get gateway!"}},
        Case{"GetGatewayNotJson",
             "getgateway",
             {"log Invalid json string:getgateway", "log Invalid json string:getgateway",
              "log Get gateway!"}},
        // Device ID.
        Case{"GetDeviceId",
             R"({"type":"getdeviceid","deviceid":"1234"})",
             {"text edtDeviceID=1234", "log Get deviceid!"}},
        Case{"GetDeviceIdMissing",
             R"({"type":"getdeviceid"})",
             {"text edtDeviceID=", "log Get deviceid!"}},
        Case{"GetDeviceIdNotJson", "getdeviceid", {"log Invalid json string:getdeviceid"}},
        // Network.
        Case{"GetNetworkUpperDhcpIsStatic",
             R"({"type":"getnetwork","mode":"DHCP"})",
             {"mode 1", "text edtNetWorkIP=", "text edtNetWorkMask=", "text edtNetWorkGateWay=",
              "text edtNetWorkDNS1=", "text edtNetWorkDNS2=", "log Get network" + kWideBang}},
        Case{"GetNetworkDhcpLeavesFields",
             R"({"type":"getnetwork","mode":"dhcp","ip":"10.0.0.9"})",
             {"mode 0", "log Get network" + kWideBang}},
        Case{"GetNetworkStatic",
             kStatic,
             {"mode 1", "text edtNetWorkIP=10.0.0.9", "text edtNetWorkMask=255.255.255.0",
              "text edtNetWorkGateWay=10.0.0.1", "text edtNetWorkDNS1=8.8.8.8",
              "text edtNetWorkDNS2=", "log Get network" + kWideBang}},
        Case{"GetNetworkNotJson", "getnetwork", {"log Invalid json string:getnetwork"}},
        // Clock: decoded as UTC; a value that is no clock leaves the pickers alone.
        Case{"GetRtcZero",
             R"({"type":"getrtc","rtc":"0"})",
             {"pickers 1970-01-01 00:00:00", "log Get clock" + kWideBang}},
        Case{"GetRtc2017",
             R"({"type":"getrtc","rtc":"1487658770"})",
             {"pickers 2017-02-21 06:32:50", "log Get clock" + kWideBang}},
        Case{
            "GetRtcNotNumber", R"({"type":"getrtc","rtc":"abc"})", {"log Invalid clock value:abc"}},
        Case{"GetRtcOutOfRange",
             R"({"type":"getrtc","rtc":"2147483648"})",
             {"log Invalid clock value:2147483648"}},
        Case{"GetRtcMissing", R"({"type":"getrtc"})", {"log Invalid clock value:"}},
        Case{"GetRtcNotJson", "getrtc", {"log Invalid json string:getrtc"}},
        // Antenna lists: read, not shown.
        Case{"GetAntlist",
             R"({"type":"getantlist","antlist":"1111","modlist":"0001"})",
             {"log Get antlist!"}},
        Case{"GetAntlistNotJson", "getantlist", {"log Invalid json string:getantlist"}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(HandlerChainTest, KeysInOfferOrder) {
  RecorderWindow window;
  const auto chain = BuildHandlerChain(window);
  const std::vector<std::string> expected = {
      "epcinfo",    "setr2000mode", "getr2000mode", "setschedule", "getschedule", "setdirect",
      "setnetwork", "setrtc",       "setdeviceid",  "setantlist",  "setgateway",  "\"heart\"",
      "getrtc",     "getnetwork",   "getdeviceid",  "getantlist",  "getgateway",  ""};
  ASSERT_EQ(chain->Size(), expected.size());
  for (std::size_t position = 0; position < expected.size(); ++position) {
    EXPECT_EQ(chain->At(position).key, expected[position]) << "position " << position + 1;
  }
}

TEST(HandlerChainTest, HandlersKeepNoState) {
  RecorderWindow window;
  const auto chain = BuildHandlerChain(window);
  const std::string report = R"({"type":"epcinfo","epc":"E2"})";
  chain->Dispatch(report);
  chain->Dispatch(report);
  const std::vector<std::string> once = {"hint edtCardNo=" + report,
                                         "text edtCardNo=", "text edtCardNo=E2"};
  std::vector<std::string> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(window.effects, twice);
}

}  // namespace
