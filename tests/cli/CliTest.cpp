#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "../common/FakeDevice.h"
#include "../common/SimProcess.h"
#include "../common/UdpTable.h"
#include "CliProcess.h"
#include "Requests.h"
#include "SiteHarness.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The simulated device as a real process; each run of the CLI is a new connection to it.
class CliSimulatorTest : public ::testing::Test {
 protected:
  CliResult Run(std::vector<std::string> args, std::vector<std::string> env = {}) {
    args.insert(args.begin(), {"--device", "127.0.0.1:" + std::to_string(sim.Port())});
    return RunCli(std::move(args), std::move(env));
  }
  // Runs a command that must succeed and gives its stdout.
  std::string Ok(std::vector<std::string> args, std::vector<std::string> env = {}) {
    const CliResult result = Run(std::move(args), std::move(env));
    EXPECT_EQ(result.code, 0) << result.err;
    return result.out;
  }

  SimProcess sim{{"--heartbeat", "1", "--reboot-ms", "700", "--rate", "3000", "--tags", "20",
                  "--count", "300", "--seed", "3"}};
};

// A device stand-in that the test answers by hand.
class CliFakeDeviceTest : public ::testing::Test {
 protected:
  std::vector<std::string> Args(std::vector<std::string> args) {
    args.insert(args.begin(), {"--device", "127.0.0.1:" + device.PortText()});
    return args;
  }
  // Waits until the command line has taken everything sent to it off its socket.
  bool AllRead() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadUdpSocket(device.PeerPort()).value_or(UdpSocketState{1, 0}).queuedBytes != 0) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  FakeDevice device;
};

}  // namespace

TEST_F(CliSimulatorTest, EveryGetAndSetChangesTheDeviceAndReadsBack) {
  EXPECT_EQ(Ok({"get", "gateway"}), "ip=192.168.12.100\nport=9090\n");
  EXPECT_EQ(Ok({"get", "deviceid"}), "deviceid=10001\n");
  EXPECT_EQ(Ok({"get", "antlist"}), "antlist=x011xxxxxxxxxxxxxxxx\nmodlist=xxx1\n");
  EXPECT_EQ(Ok({"get", "network"}),
            "mode=static\nip=192.168.12.1\nmask=255.255.255.0\ngateway=192.168.12.254\n"
            "dns1=8.8.8.8\ndns2=4.2.2.2\n");

  EXPECT_EQ(Ok({"set", "gateway", "127.0.0.9", "9191"}), "status=ok\n");
  EXPECT_EQ(Ok({"set", "deviceid", "4711"}), "status=ok\n");
  EXPECT_EQ(Ok({"set", "network", "static", "127.0.0.7", "255.0.0.0", "127.0.0.1", "127.0.0.53"}),
            "status=ok\n");
  // The clock in UTC, so that the window's reading of it gives the same date and time back.
  EXPECT_EQ(Ok({"set", "clock", "2030-05-06T07:08:09"}, {"TZ=UTC0"}), "status=ok\n");

  EXPECT_EQ(Ok({"get", "gateway"}), "ip=127.0.0.9\nport=9191\n");
  EXPECT_EQ(Ok({"--json", "get", "deviceid"}), "{\n\t\"deviceid\":\t\"4711\"\n}\n");
  EXPECT_EQ(Ok({"get", "network"}),
            "mode=static\nip=127.0.0.7\nmask=255.0.0.0\ngateway=127.0.0.1\ndns1=127.0.0.53\n"
            "dns2=\n");
  // The device's clock runs on from the value set.
  EXPECT_TRUE(Contains(Ok({"get", "clock"}), "time=2030-05-06 07:08:"));
  EXPECT_EQ(Ok({"set", "network", "dhcp"}), "status=ok\n");
  EXPECT_EQ(Ok({"get", "network"}), "mode=dhcp\n");
}

TEST_F(CliSimulatorTest, RebootSilencesTheDeviceUntilItIsBack) {
  EXPECT_EQ(Ok({"reboot"}), "");
  const CliResult silent = Run({"--timeout", "0.3", "get", "deviceid"});
  EXPECT_EQ(silent.code, 3);
  EXPECT_TRUE(Contains(silent.err, "getdeviceid")) << silent.err;
  EXPECT_TRUE(Contains(silent.err, "127.0.0.1:" + std::to_string(sim.Port()))) << silent.err;
  // Requests made while it reboots are ignored, not answered late: ask again until it is back.
  CliResult back = silent;
  for (int attempt = 0; attempt < 20 && back.code != 0; ++attempt) {
    back = Run({"--timeout", "0.3", "get", "deviceid"});
  }
  EXPECT_EQ(back.out, "deviceid=10001\n");
}

TEST_F(CliSimulatorTest, InventoryCountsEveryReportOfAKnownPopulation) {
  // The simulator ends the run after 300 reports over its 20 tags: 15 reads each.
  const std::string out = Ok({"inventory", "1.5"});
  EXPECT_TRUE(Contains(out, "tags=20\nreads=300\n")) << out;
  std::size_t tagLines = 0;
  for (std::size_t at = out.find("epc="); at != std::string::npos; at = out.find("epc=", at + 1)) {
    ++tagLines;
    EXPECT_EQ(out.substr(out.find(" count=", at), 10), " count=15 ");
  }
  EXPECT_EQ(tagLines, 20u);
}

TEST_F(CliFakeDeviceTest, SendsTheWindowsBytesAndTakesOnlyTheReplyItsHandlerClaims) {
  CliProcess cli(Args({"set", "deviceid", "1234"}));
  EXPECT_EQ(device.Receive(), TypeRequest("qdwdebugstart"));
  EXPECT_EQ(device.Receive(), SetDeviceIdRequest("1234"));
  device.Send(R"({"type":"heart"})");
  device.Send(R"({"type":"epcinfo","epc":"setdeviceid"})");  // a tag report is tried first
  device.Send(R"({"type":"getdeviceid","deviceid":"9"})");
  device.Send("setdeviceid, not JSON");  // claimed but unreadable: waited past
  device.Send(R"({"type":"setdeviceid","status":"OK"})");
  EXPECT_EQ(device.Receive(), TypeRequest("debugstop"));
  EXPECT_EQ(cli.Wait(), 4);
  EXPECT_EQ(cli.Out(), "status=OK\n");
  EXPECT_TRUE(Contains(cli.Err(), "Invalid json string:setdeviceid, not JSON")) << cli.Err();
}

TEST_F(CliFakeDeviceTest, SilentDeviceTimesOutAndAnInventoryWithoutTagsSaysSo) {
  const CliResult get = RunCli(Args({"--timeout", "0.2", "get", "clock"}));
  EXPECT_EQ(get.code, 3);
  EXPECT_TRUE(Contains(get.err, "no getrtc reply from 127.0.0.1:" + device.PortText())) << get.err;
  const CliResult inventory = RunCli(Args({"inventory", "0.2"}));
  EXPECT_EQ(inventory.code, 5);
  EXPECT_TRUE(Contains(inventory.out, "tags=0\nreads=0\n")) << inventory.out;
  const std::vector<std::string> expected = {
      TypeRequest("qdwdebugstart"), TypeRequest("getrtc"),    TypeRequest("debugstop"),
      TypeRequest("qdwdebugstart"), TypeRequest("teststart"), TypeRequest("teststop"),
      TypeRequest("debugstop")};
  EXPECT_EQ(device.Drain(), expected);
}

TEST_F(CliFakeDeviceTest, CtrlCEndsAnInventoryAndStillStopsTheTest) {
  CliProcess cli(Args({"inventory", "60"}));
  EXPECT_EQ(device.Receive(), TypeRequest("qdwdebugstart"));
  EXPECT_EQ(device.Receive(), TypeRequest("teststart"));
  for (const char* epc : {"A1", "B2", "A1"}) {
    device.Send(std::string(R"({"type":"epcinfo","epc":")") + epc + R"(","rssi":"-60"})");
  }
  // Interrupted once the three reports have left its socket: each one read is counted.
  ASSERT_TRUE(AllRead());
  cli.Interrupt();
  EXPECT_EQ(device.Receive(), TypeRequest("teststop"));
  EXPECT_EQ(device.Receive(), TypeRequest("debugstop"));
  EXPECT_EQ(cli.Wait(), 0);
  EXPECT_TRUE(Contains(cli.Out(), "tags=2\nreads=3\n")) << cli.Out();
  EXPECT_TRUE(Contains(cli.Out(), "epc=A1 count=2 antenna=0 rssi=67\nepc=B2 count=1 antenna=0"));
}

// Text from a forged device never becomes a spreadsheet formula in a file the tool writes.
TEST_F(CliFakeDeviceTest, FormulasFromTheDeviceAreWrittenGuardedInTheCsvAndTheReport) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tagwick-forged-XXXXXX").string();
  const std::string dir = mkdtemp(pattern.data());
  struct Removed {
    std::string dir;
    ~Removed() { std::filesystem::remove_all(dir); }
  } removed{dir};
  const std::string csv = dir + "/forged-tags.csv";
  CliProcess inventory(Args({"inventory", "60", "--csv", csv}));
  EXPECT_EQ(device.Receive(), TypeRequest("qdwdebugstart"));
  EXPECT_EQ(device.Receive(), TypeRequest("teststart"));
  for (const char* epc :
       {R"(=HYPERLINK(\"http://x\",\"click\"))", "+cmd|' /C calc'!A0", "@SUM(1)", "E200A1"}) {
    device.Send(std::string(R"({"type":"epcinfo","epc":")") + epc + "\"}");
  }
  ASSERT_TRUE(AllRead());
  inventory.Interrupt();
  device.Drain();
  EXPECT_EQ(inventory.Wait(), 0) << inventory.Err();
  const std::string tags = ReadText(csv);
  for (const char* line :
       {"\n1,'=HYPERLINK(\"http://x\",\"click\"),15,0,1,-41,", "\n2,'+cmd|' /C calc'!A0,9,0,1,-41,",
        "\n3,'@SUM(1),3,0,1,-41,", "\n4,E200A1,3,0,1,-41,"}) {
    EXPECT_TRUE(Contains(tags, line)) << line << " in\n" << tags;
  }

  // The device ID read before a commissioning step, as the report keeps it.
  const std::string report = dir + "/forged-report.csv";
  CliProcess commission({"--timeout", "5", "commission",
                         WritePlan(dir + "/forged-plan.csv",
                                   "device,deviceid\n127.0.0.1:" + device.PortText() + ",77\n"),
                         "--report", report});
  EXPECT_EQ(device.Receive(), TypeRequest("qdwdebugstart"));
  EXPECT_EQ(device.Receive(), TypeRequest("getdeviceid"));
  device.Send(R"j({"type":"getdeviceid","deviceid":"@SUM(1)"})j");
  EXPECT_EQ(device.Receive(), SetDeviceIdRequest("77"));
  device.Send(R"({"type":"setdeviceid","status":"ok"})");
  EXPECT_EQ(device.Receive(), TypeRequest("getdeviceid"));
  device.Send(R"({"type":"getdeviceid","deviceid":"77"})");
  EXPECT_EQ(commission.Wait(), 0) << commission.Err();
  EXPECT_TRUE(Contains(ReadText(report), ",'@SUM(1),77,")) << ReadText(report);
}

// Every refusal names the argument and nothing reaches the device.
class CliBadInputTest
    : public ::testing::TestWithParam<std::pair<std::vector<std::string>, const char*>> {};

TEST_P(CliBadInputTest, ExitsTwoAndSendsNothing) {
  FakeDevice device;
  std::vector<std::string> args = GetParam().first;
  for (std::string& arg : args) {
    if (arg == "DEV") arg = "127.0.0.1:" + device.PortText();
  }
  const CliResult result = RunCli(args);
  EXPECT_EQ(result.code, 2);
  EXPECT_TRUE(Contains(result.err, GetParam().second)) << result.err;
  EXPECT_FALSE(device.Receive(std::chrono::milliseconds(50)).has_value());
}

using Args = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    Refusals, CliBadInputTest,
    ::testing::Values(
        std::make_pair(Args{"get", "deviceid"}, "--device is required"),
        std::make_pair(Args{"--device", "DEV", "get", "rssi"}, "usage:"),
        std::make_pair(Args{"--device", "DEV", "set", "deviceid"}, "usage:"),
        std::make_pair(Args{"--device", "127.0.0.255", "get", "clock"}, "--device address"),
        std::make_pair(Args{"--device", "127.0.0.1:70000", "get", "clock"}, "--device port"),
        std::make_pair(Args{"--device", "DEV", "--timeout", "-1", "get", "clock"}, "--timeout"),
        std::make_pair(Args{"--device", "DEV", "set", "gateway", "1.2.3.255", "80"}, "IP"),
        std::make_pair(Args{"--device", "DEV", "set", "gateway", "1.2.3.4", "80a"}, "PORT"),
        std::make_pair(Args{"--device", "DEV", "set", "gateway", "1.2.3.4", ""}, "PORT must not"),
        std::make_pair(Args{"--device", "DEV", "set", "deviceid", "12 34"}, "ID '12 34'"),
        std::make_pair(Args{"--device", "DEV", "set", "deviceid", "  "}, "ID must not be empty"),
        std::make_pair(Args{"--device", "DEV", "set", "network", "static", "1.2.3.4", "",
                            "1.2.3.1"},
                       "MASK must not be empty"),
        std::make_pair(Args{"--device", "DEV", "set", "network", "static", "1.2.3.4",
                            "255.255.255.0", "1.2.3.1", "8.8.8.256"},
                       "DNS1"),
        std::make_pair(Args{"--device", "DEV", "set", "clock", "2017-02-30T00:00:00"}, "Clock"),
        std::make_pair(Args{"--device", "DEV", "set", "clock", "yesterday"}, "clock 'yesterday'"),
        std::make_pair(Args{"--device", "DEV", "inventory", "0"}, "SECONDS")));
