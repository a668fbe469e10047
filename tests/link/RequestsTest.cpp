#include "Requests.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
  const char* name;
  std::string printed;
  std::string expected;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

class RequestsTest : public testing::TestWithParam<Case> {};

TEST_P(RequestsTest, ExactBytes) {
  EXPECT_EQ(GetParam().printed, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Wire, RequestsTest,
    testing::Values(
        Case{"GetGateway", TypeRequest("getgateway"), "{\n\t\"type\":\t\"getgateway\"\n}"},
        Case{"DebugStop", TypeRequest("debugstop"), "{\n\t\"type\":\t\"debugstop\"\n}"},
        Case{"DebugStart", TypeRequest(DebugStartType("qdw")),
             "{\n\t\"type\":\t\"qdwdebugstart\"\n}"},
        Case{"DebugStartEmptyField", TypeRequest(DebugStartType("")),
             "{\n\t\"type\":\t\"debugstart\"\n}"},
        Case{"TypeEscaped", TypeRequest("a\"b\\c\td"), "{\n\t\"type\":\t\"a\\\"b\\\\c\\td\"\n}"},
        Case{"TypeHighBytesUnchanged", TypeRequest("\xE4\xB8\xAD"),
             "{\n\t\"type\":\t\"\xE4\xB8\xAD\"\n}"},
        Case{"SetDeviceId", SetDeviceIdRequest("1234"),
             "{\n\t\"type\":\t\"setdeviceid\",\n\t\"deviceid\":\t\"1234\"\n}"},
        Case{"SetNetworkDhcp", SetNetworkDhcpRequest(),
             "{\n\t\"type\":\t\"setnetwork\",\n\t\"mode\":\t\"dhcp\"\n}"},
        Case{"SetNetworkStaticEmptyDns",
             SetNetworkStaticRequest("10.0.0.9", "255.255.255.0", "10.0.0.1", "", ""),
             "{\n\t\"type\":\t\"setnetwork\",\n\t\"mode\":\t\"static\",\n\t\"ip\":\t\"10.0.0.9\","
             "\n\t\"mask\":\t\"255.255.255.0\",\n\t\"gateway\":\t\"10.0.0.1\",\n\t\"dns1\":\t\"\","
             "\n\t\"dns2\":\t\"\"\n}"},
        Case{"SetGatewayPortAsTyped", SetGatewayRequest("10.0.0.2", " 80"),
             "{\n\t\"type\":\t\"setgateway\",\n\t\"ip\":\t\"10.0.0.2\",\n\t\"port\":\t\" 80\"\n}"},
        Case{"SetRtc", SetRtcRequest("-1"), "{\n\t\"type\":\t\"setrtc\",\n\t\"rtc\":\t\"-1\"\n}"},
        Case{"SetAntList", SetAntListRequest("1111", "0001"),
             "{\n\t\"type\":\t\"setantlist\",\n\t\"antlist\":\t\"1111\",\n\t\"modlist\":"
             "\t\"0001\"\n}"}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(RequestsSizeTest, ExampleLengths) {
  EXPECT_EQ(TypeRequest("getgateway").size(), 25u);
  EXPECT_EQ(TypeRequest("debugstop").size(), 24u);
  EXPECT_EQ(SetDeviceIdRequest("1234").size(), 47u);
  EXPECT_EQ(SetNetworkDhcpRequest().size(), 42u);
}

}  // namespace
