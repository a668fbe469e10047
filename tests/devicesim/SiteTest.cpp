// A site in one simulator: devices on consecutive loopback addresses, faults for chosen ones.
#include <gtest/gtest.h>

#include "JsonTestUtil.h"
#include "Options.h"
#include "Simulator.h"

namespace devicesim {
namespace {

const TimePoint kT0 = TimePoint{} + std::chrono::seconds(1000);
const Endpoint kTool{0x7F000001, 40000};

TEST(Site, FaultsGoToTheChosenDevicesOnlyAndTheSiteStaysOnLoopback) {
  const ParseOutcome o =
      parseCommandLine({"--devices", "20", "--faults", "capitals=1", "--faults", "silent=1@2+5-6",
                        "--faults", "forget=clock,forget=gateway_port@6"});
  ASSERT_EQ(o.status, ParseOutcome::Status::Run) << o.message;
  EXPECT_EQ(o.options.devices, 20u);
  EXPECT_DOUBLE_EQ(configFor(o.options, 1).faults.capitals, 1);
  EXPECT_DOUBLE_EQ(configFor(o.options, 2).faults.silent, 1);
  EXPECT_DOUBLE_EQ(configFor(o.options, 3).faults.silent, 0);
  EXPECT_DOUBLE_EQ(configFor(o.options, 5).faults.silent, 1);
  // A later choice wins for its devices.
  EXPECT_DOUBLE_EQ(configFor(o.options, 6).faults.silent, 0);
  EXPECT_EQ(configFor(o.options, 6).faults.forget,
            (std::vector<std::string>{"clock", "gateway_port"}));

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--bind", "127.255.255.250", "--devices", "6"},
        {"--devices", "0"},
        {"--devices", "2", "--faults", "silent=1@3"},
        {"--faults", "silent=1@0"},
        {"--faults", "forget=colour"}}) {
    EXPECT_EQ(parseCommandLine(bad).status, ParseOutcome::Status::Error) << bad[1];
  }
  EXPECT_EQ(parseCommandLine({"--bind", "127.255.255.249", "--devices", "6"}).status,
            ParseOutcome::Status::Run);
}

TEST(Site, ASilentDeviceAnswersNothingAndAForgetfulOneKeepsItsOldValue) {
  Config config;
  config.heartbeatSeconds = 0;
  config.faults.silent = 1;
  std::vector<Outgoing> out;
  Simulator silent(config, kT0);
  silent.onDatagram(R"({"type":"getdeviceid"})", kTool, kT0, out);
  EXPECT_TRUE(out.empty());
  silent.onDatagram(R"({"type":"simstats"})", kTool, kT0, out);
  EXPECT_EQ(out.size(), 1u);

  config.faults = {};
  config.faults.forget = {"gateway_port"};
  Simulator forgetful(config, kT0);
  out.clear();
  forgetful.onDatagram(R"({"type":"setgateway","ip":"127.0.0.9","port":"9191"})", kTool, kT0, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(test::member(out[0].bytes, "status"), "ok");
  EXPECT_EQ(forgetful.settings().gatewayIp, "127.0.0.9");
  EXPECT_EQ(forgetful.settings().gatewayPort, "9090");
}

}  // namespace
}  // namespace devicesim
