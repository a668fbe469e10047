// The simulated device's answers, reboot and streaming, driven with an injected clock: every
// call gets its time from the test, so nothing here waits or depends on the machine's speed.
#include "Simulator.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "JsonTestUtil.h"

namespace devicesim {
namespace {

using namespace std::chrono_literals;
using test::member;
using test::members;
using test::names;
using Members = std::vector<std::pair<std::string, std::string>>;

const TimePoint kT0 = TimePoint{} + 1000s;
const Endpoint kTool{0x7F000001, 40000};
const Endpoint kOther{0x7F000001, 40001};
constexpr std::int64_t kRtc = 1487658770;

class SimulatorTest : public testing::Test {
 protected:
  void start(Config config = {}) {
    config.initialRtc = kRtc;
    sim_ = std::make_unique<Simulator>(config, kT0);
  }
  void SetUp() override {
    Config config;
    config.heartbeatSeconds = 0;
    start(config);
  }
  std::vector<Outgoing> send(const std::string& text, TimePoint at = kT0, Endpoint from = kTool) {
    std::vector<Outgoing> out;
    sim_->onDatagram(text, from, at, out);
    return out;
  }
  // The one reply to a request, checked for address and kind.
  std::string ask(const std::string& text, TimePoint at = kT0, Endpoint from = kTool) {
    const auto out = send(text, at, from);
    EXPECT_EQ(out.size(), 1u) << text;
    if (out.size() != 1) return {};
    EXPECT_EQ(out[0].to, from);
    return out[0].bytes;
  }
  std::string askType(const std::string& type, TimePoint at = kT0) {
    return ask("{\"type\":\"" + type + "\"}", at);
  }
  std::vector<Outgoing> tick(TimePoint at, std::size_t max = 1000000) {
    std::vector<Outgoing> out;
    sim_->onTimer(at, max, out);
    return out;
  }
  std::unique_ptr<Simulator> sim_;
};

TEST_F(SimulatorTest, GetRequestsAnswerWithExactlyTheirMembers) {
  EXPECT_EQ(members(askType("getgateway")),
            (Members{{"type", "getgateway"}, {"ip", "192.168.12.100"}, {"port", "9090"}}));
  EXPECT_EQ(members(askType("getdeviceid")),
            (Members{{"type", "getdeviceid"}, {"deviceid", "10001"}}));
  EXPECT_EQ(members(askType("getnetwork")), (Members{{"type", "getnetwork"},
                                                     {"mode", "static"},
                                                     {"ip", "192.168.12.1"},
                                                     {"mask", "255.255.255.0"},
                                                     {"gateway", "192.168.12.254"},
                                                     {"dns1", "8.8.8.8"},
                                                     {"dns2", "4.2.2.2"}}));
  EXPECT_EQ(members(askType("getrtc")), (Members{{"type", "getrtc"}, {"rtc", "1487658770"}}));
  EXPECT_EQ(
      members(askType("getantlist")),
      (Members{{"type", "getantlist"}, {"antlist", "x011xxxxxxxxxxxxxxxx"}, {"modlist", "xxx1"}}));
  EXPECT_EQ(members(askType("getschedule")),
            (Members{{"type", "getschedule"}, {"schedule", "0:00-23:59/"}}));
}

TEST_F(SimulatorTest, RepliesAreCompactJsonStrings) {
  EXPECT_EQ(askType("getdeviceid"), R"({"type":"getdeviceid","deviceid":"10001"})");
  // The tool's own formatted layout is accepted as a request.
  EXPECT_EQ(ask("{\n\t\"type\":\t\"getdeviceid\"\n}"),
            R"({"type":"getdeviceid","deviceid":"10001"})");
}

TEST_F(SimulatorTest, CommandsAnswerStatusOk) {
  for (const char* type : {"qdwdebugstart", "debugstart", "Xdebugstart", "debugstop", "teststart",
                           "teststop", "setactionreset", "reboot"}) {
    start();
    EXPECT_EQ(members(askType(type)), (Members{{"type", type}, {"status", "ok"}})) << type;
  }
}

TEST_F(SimulatorTest, UnknownTypesAnswerStatusUnknown) {
  for (const char* type : {"debugstartx", "heartbeat", "GETDEVICEID", "getr2000mode", ""}) {
    EXPECT_EQ(members(askType(type)), (Members{{"type", type}, {"status", "unknown"}})) << type;
  }
  EXPECT_EQ(sim_->stats().unknown, 5u);
}

TEST_F(SimulatorTest, TextsThatAreNoRequestGetNoAnswer) {
  for (const char* text : {"", "getdeviceid", "{\"type\":\"getdeviceid\"", "[\"getdeviceid\"]",
                           "{\"type\":5}", "{\"kind\":\"getdeviceid\"}", "\"type\""}) {
    EXPECT_TRUE(send(text).empty()) << text;
  }
  EXPECT_EQ(sim_->stats().invalid, 7u);
  EXPECT_EQ(sim_->stats().received, 7u);
  EXPECT_EQ(sim_->stats().requests, 0u);
  EXPECT_FALSE(sim_->requester());
}

TEST_F(SimulatorTest, SetRequestsAreStoredAndReadBack) {
  EXPECT_EQ(members(ask(R"({"type":"setgateway","ip":"10.1.2.3","port":"00080"})")),
            (Members{{"type", "setgateway"}, {"status", "ok"}}));
  EXPECT_EQ(member(askType("getgateway"), "ip"), "10.1.2.3");
  EXPECT_EQ(member(askType("getgateway"), "port"), "00080");

  EXPECT_EQ(member(ask(R"({"type":"setdeviceid","deviceid":"0042"})"), "status"), "ok");
  EXPECT_EQ(member(askType("getdeviceid"), "deviceid"), "0042");
  // Member names match in any letter case, as the tool's own lookup does.
  EXPECT_EQ(member(ask(R"({"type":"setdeviceid","DeviceID":"7"})"), "status"), "ok");
  EXPECT_EQ(member(askType("getdeviceid"), "deviceid"), "7");

  EXPECT_EQ(
      member(
          ask(R"({"type":"setnetwork","mode":"static","ip":"192.168.8.6","mask":"255.255.0.0","gateway":"192.168.8.1","dns1":"1.1.1.1","dns2":"4.2.2.2"})"),
          "status"),
      "ok");
  EXPECT_EQ(members(askType("getnetwork")), (Members{{"type", "getnetwork"},
                                                     {"mode", "static"},
                                                     {"ip", "192.168.8.6"},
                                                     {"mask", "255.255.0.0"},
                                                     {"gateway", "192.168.8.1"},
                                                     {"dns1", "1.1.1.1"},
                                                     {"dns2", "4.2.2.2"}}));
  EXPECT_EQ(member(ask(R"({"type":"setnetwork","mode":"dhcp"})"), "status"), "ok");
  EXPECT_EQ(member(askType("getnetwork"), "mode"), "dhcp");
  EXPECT_EQ(member(askType("getnetwork"), "ip"), "192.168.8.6");

  EXPECT_EQ(
      member(ask(R"({"type":"setantlist","antlist":"x111xxxxxxxxxxxxxxxx","modlist":"xx11"})"),
             "status"),
      "ok");
  EXPECT_EQ(member(askType("getantlist"), "antlist"), "x111xxxxxxxxxxxxxxxx");
  EXPECT_EQ(member(askType("getantlist"), "modlist"), "xx11");
  EXPECT_EQ(member(ask(R"({"type":"setschedule","schedule":"8:30-11:30/"})"), "status"), "ok");
  EXPECT_EQ(member(askType("getschedule"), "schedule"), "8:30-11:30/");
  EXPECT_EQ(sim_->stats().refused, 0u);
}

TEST_F(SimulatorTest, RefusedValuesAnswerErrorAndChangeNothing) {
  const DeviceSettings before = sim_->settings();
  const char* refused[] = {
      R"({"type":"setdeviceid","deviceid":"12 34"})",
      R"({"type":"setdeviceid","deviceid":""})",
      R"({"type":"setdeviceid","deviceid":"-1"})",
      R"({"type":"setdeviceid","deviceid":1234})",
      R"({"type":"setdeviceid"})",
      R"({"type":"setgateway","ip":"1.2.3.4","port":"65536"})",
      R"({"type":"setgateway","ip":"1.2.3.4","port":" 80"})",
      R"({"type":"setgateway","ip":"1.2.3.4","port":"80a"})",
      R"({"type":"setgateway","ip":"1.2.3.4","port":80})",
      R"({"type":"setgateway","ip":"1x2x3x4","port":"80"})",
      R"({"type":"setgateway","ip":"256.1.1.1","port":"80"})",
      R"({"type":"setgateway","port":"80"})",
      R"({"type":"setrtc","rtc":"12x"})",
      R"({"type":"setrtc","rtc":"1.5"})",
      R"({"type":"setrtc","rtc":""})",
      R"({"type":"setrtc","rtc":"4294967296"})",
      R"({"type":"setrtc","rtc":1487658770})",
      R"({"type":"setnetwork","mode":"DHCP"})",
      R"({"type":"setnetwork"})",
      R"({"type":"setnetwork","mode":"static","ip":"1.2.3.4","mask":"255.255.255.0","gateway":"1.2.3.1","dns1":"8.8.8.8"})",
      R"({"type":"setnetwork","mode":"static","ip":"1.2.3","mask":"255.255.255.0","gateway":"1.2.3.1","dns1":"8.8.8.8","dns2":"4.2.2.2"})",
      R"({"type":"setantlist","antlist":"x011","modlist":"abc"})",
      R"({"type":"setantlist","antlist":"x011"})",
      R"({"type":"setschedule"})",
  };
  for (const char* request : refused) {
    const std::string reply = ask(request);
    EXPECT_EQ(names(reply), (std::vector<std::string>{"type", "status"})) << request;
    EXPECT_EQ(member(reply, "status"), "error") << request;
  }
  EXPECT_EQ(sim_->stats().refused, std::size(refused));
  const DeviceSettings& after = sim_->settings();
  EXPECT_EQ(after.deviceId, before.deviceId);
  EXPECT_EQ(after.gatewayIp, before.gatewayIp);
  EXPECT_EQ(after.gatewayPort, before.gatewayPort);
  EXPECT_EQ(after.networkMode, before.networkMode);
  EXPECT_EQ(after.networkIp, before.networkIp);
  EXPECT_EQ(after.antList, before.antList);
  EXPECT_EQ(after.schedule, before.schedule);
  EXPECT_EQ(member(askType("getrtc"), "rtc"), "1487658770");
}

TEST_F(SimulatorTest, ClockAdvancesWithTimeFromTheValueSet) {
  EXPECT_EQ(member(askType("getrtc", kT0 + 2500ms), "rtc"), "1487658772");
  EXPECT_EQ(member(ask(R"({"type":"setrtc","rtc":"-1"})", kT0 + 10s), "status"), "ok");
  EXPECT_EQ(member(askType("getrtc", kT0 + 10s), "rtc"), "-1");
  EXPECT_EQ(member(askType("getrtc", kT0 + 71s), "rtc"), "60");
  EXPECT_EQ(member(ask(R"({"type":"setrtc","rtc":"0"})", kT0 + 100s), "status"), "ok");
  EXPECT_EQ(member(askType("getrtc", kT0 + 100s + 999ms), "rtc"), "0");
  EXPECT_EQ(member(askType("getrtc", kT0 + 101s), "rtc"), "1");
}

TEST_F(SimulatorTest, RebootAnswersThenIsSilentThenComesBackWithItsSettings) {
  Config config;
  config.rebootMs = 3000;
  config.heartbeatSeconds = 5;
  start(config);
  ask(R"({"type":"setnetwork","mode":"static","ip":"10.0.0.9","mask":"255.0.0.0","gateway":"10.0.0.1","dns1":"1.1.1.1","dns2":"1.0.0.1"})");
  ask(R"({"type":"setdeviceid","deviceid":"555"})");
  askType("teststart");
  EXPECT_FALSE(tick(kT0 + 100ms).empty());

  const TimePoint reboot = kT0 + 1s;
  EXPECT_EQ(members(askType("reboot", reboot)), (Members{{"type", "reboot"}, {"status", "ok"}}));
  EXPECT_TRUE(sim_->silent(reboot));
  EXPECT_FALSE(sim_->streaming());
  EXPECT_EQ(sim_->nextWakeup(reboot), reboot + 3s);

  // Silent: no answers and no reports; the requests are counted as ignored.
  EXPECT_TRUE(send(R"({"type":"getdeviceid"})", reboot + 1ms).empty());
  EXPECT_TRUE(tick(reboot + 1s).empty());
  EXPECT_TRUE(send(R"({"type":"teststart"})", reboot + 2999ms).empty());
  EXPECT_TRUE(tick(reboot + 2999ms).empty());
  EXPECT_EQ(sim_->stats().ignored, 2u);

  // Back: a heartbeat announces it, requests are answered from the stored settings, and the
  // test stays stopped until a new "teststart".
  const auto back = tick(reboot + 3s);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].bytes, R"({"type":"heart"})");
  EXPECT_EQ(back[0].kind, Kind::Heartbeat);
  EXPECT_FALSE(sim_->silent(reboot + 3s));
  EXPECT_EQ(member(askType("getdeviceid", reboot + 3s), "deviceid"), "555");
  EXPECT_EQ(members(askType("getnetwork", reboot + 3s)), (Members{{"type", "getnetwork"},
                                                                  {"mode", "static"},
                                                                  {"ip", "10.0.0.9"},
                                                                  {"mask", "255.0.0.0"},
                                                                  {"gateway", "10.0.0.1"},
                                                                  {"dns1", "1.1.1.1"},
                                                                  {"dns2", "1.0.0.1"}}));
  EXPECT_FALSE(sim_->streaming());
  EXPECT_TRUE(tick(reboot + 4s).empty());
  // The real-time clock kept running through the reboot.
  EXPECT_EQ(member(askType("getrtc", reboot + 4s), "rtc"), std::to_string(kRtc + 5));
  EXPECT_EQ(sim_->stats().reboots, 1u);
}

TEST_F(SimulatorTest, RequestsArrivingAfterTheSilenceAreAnsweredWithoutATimerCall) {
  Config config;
  config.rebootMs = 500;
  config.heartbeatSeconds = 0;
  start(config);
  askType("reboot");
  EXPECT_TRUE(send(R"({"type":"getdeviceid"})", kT0 + 499ms).empty());
  EXPECT_EQ(member(askType("getdeviceid", kT0 + 500ms), "deviceid"), "10001");
}

TEST_F(SimulatorTest, ReportsHaveTheTagMembers) {
  askType("teststart");
  const auto out = tick(kT0 + 10s);
  ASSERT_EQ(out.size(), 1001u);
  std::set<std::string> antennas, seen;
  int lowest = 0, highest = -1000;
  for (const auto& report : out) {
    EXPECT_EQ(report.to, kTool);
    EXPECT_EQ(report.kind, Kind::Report);
    ASSERT_EQ(names(report.bytes),
              (std::vector<std::string>{"type", "epc", "epclen", "antid", "rssi"}));
    EXPECT_EQ(member(report.bytes, "type"), "epcinfo");
    const std::string epc = member(report.bytes, "epc");
    EXPECT_EQ(epc.size(), 24u);
    EXPECT_EQ(epc.find_first_not_of("0123456789ABCDEF"), std::string::npos) << epc;
    EXPECT_EQ(member(report.bytes, "epclen"), "12");
    antennas.insert(member(report.bytes, "antid"));
    const int rssi = std::stoi(member(report.bytes, "rssi"));
    lowest = std::min(lowest, rssi);
    highest = std::max(highest, rssi);
    seen.insert(epc);
  }
  EXPECT_EQ(antennas, (std::set<std::string>{"1", "2", "3", "4"}));
  EXPECT_GE(lowest, Field::kWeakest);
  EXPECT_LE(highest, Field::kStrongest);
  EXPECT_EQ(seen.size(), 50u) << "the default population";
}

TEST_F(SimulatorTest, ThePopulationIsCycledSoTheFirstNReportsAreNDistinctTags) {
  Config config;
  config.tags = 1000;
  config.rate = 0;
  start(config);
  askType("teststart");
  std::set<std::string> seen;
  for (const auto& report : tick(kT0, 1000)) seen.insert(member(report.bytes, "epc"));
  EXPECT_EQ(seen.size(), 1000u);
  const auto again = tick(kT0, 1);
  EXPECT_EQ(member(again[0].bytes, "epc"), sim_->tags().epc(0));
}

TEST_F(SimulatorTest, TheSeedFixesTagsAndReports) {
  auto stream = [](std::uint64_t seed) {
    Config config;
    config.seed = seed;
    config.rate = 0;
    config.heartbeatSeconds = 0;
    Simulator sim(config, kT0);
    std::vector<Outgoing> out;
    sim.onDatagram(R"({"type":"teststart"})", kTool, kT0, out);
    out.clear();
    sim.onTimer(kT0, 500, out);
    std::vector<std::string> texts;
    for (const auto& o : out) texts.push_back(o.bytes);
    return texts;
  };
  EXPECT_EQ(stream(42), stream(42));
  EXPECT_NE(stream(42), stream(43));
}

TEST_F(SimulatorTest, PacingFollowsTheScheduleFromTeststart) {
  Config config;
  config.rate = 100;
  config.heartbeatSeconds = 0;
  start(config);
  const TimePoint t = kT0 + 5s;
  EXPECT_TRUE(tick(t).empty()) << "nothing before teststart";
  askType("teststart", t);
  EXPECT_EQ(tick(t).size(), 1u) << "report 0 at the start";
  EXPECT_EQ(sim_->nextWakeup(t), t + 10ms);
  EXPECT_TRUE(tick(t + 9ms).empty());
  EXPECT_EQ(tick(t + 10ms).size(), 1u);
  EXPECT_EQ(tick(t + 15ms).size(), 0u);
  EXPECT_EQ(sim_->nextWakeup(t + 15ms), t + 20ms);
  // Many small late ticks do not drift: at t + 1s exactly 101 reports in all.
  std::size_t total = 2;
  for (auto at = t + 23ms; at < t + 1s; at += 7ms) total += tick(at).size();
  total += tick(t + 1s).size();
  EXPECT_EQ(total, 101u);
  EXPECT_EQ(sim_->reportsInRun(), 101u);
}

TEST_F(SimulatorTest, ALateSenderCatchesUpInABurst) {
  Config config;
  config.rate = 1000;
  config.heartbeatSeconds = 0;
  start(config);
  askType("teststart");
  EXPECT_EQ(tick(kT0).size(), 1u);
  // Stalled for two seconds: the reports due meanwhile are all due now.
  EXPECT_EQ(tick(kT0 + 2s, 500).size(), 500u);
  EXPECT_EQ(sim_->nextWakeup(kT0 + 2s), kT0 + 501ms) << "still behind: due at once";
  EXPECT_EQ(tick(kT0 + 2s).size(), 1500u);
  EXPECT_EQ(sim_->nextWakeup(kT0 + 2s), kT0 + 2001ms);
}

TEST_F(SimulatorTest, UnpacedStreamGivesWhatIsAskedFor) {
  Config config;
  config.rate = 0;
  config.heartbeatSeconds = 0;
  start(config);
  askType("teststart");
  EXPECT_EQ(tick(kT0, 256).size(), 256u);
  EXPECT_EQ(tick(kT0, 256).size(), 256u);
  EXPECT_EQ(sim_->nextWakeup(kT0), kT0);
}

TEST_F(SimulatorTest, TeststopAndCountEndTheRun) {
  Config config;
  config.rate = 100;
  config.count = 5;
  config.heartbeatSeconds = 0;
  start(config);
  askType("teststart");
  EXPECT_EQ(tick(kT0 + 20ms).size(), 3u);
  EXPECT_EQ(tick(kT0 + 10s).size(), 2u);
  EXPECT_FALSE(sim_->streaming());
  EXPECT_EQ(sim_->nextWakeup(kT0 + 10s), std::nullopt);
  EXPECT_TRUE(tick(kT0 + 20s).empty());
  // A new run counts anew, and teststop ends it early.
  askType("teststart", kT0 + 30s);
  EXPECT_EQ(tick(kT0 + 30s + 15ms).size(), 2u);
  askType("teststop", kT0 + 30s + 15ms);
  EXPECT_TRUE(tick(kT0 + 40s).empty());
  EXPECT_EQ(sim_->stats().testRuns, 2u);
}

TEST_F(SimulatorTest, TheStreamGoesToTheLatestRequester) {
  Config config;
  config.rate = 100;
  config.heartbeatSeconds = 0;
  start(config);
  askType("teststart");
  EXPECT_EQ(tick(kT0).at(0).to, kTool);
  // The tool reconnected from a new local port: the stream follows it without a new teststart.
  ask(R"({"type":"qdwdebugstart"})", kT0 + 5ms, kOther);
  const auto out = tick(kT0 + 10ms);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].to, kOther);
  // A simstats request does not divert it.
  ask(R"({"type":"simstats"})", kT0 + 15ms, kTool);
  EXPECT_EQ(tick(kT0 + 20ms).at(0).to, kOther);
}

TEST_F(SimulatorTest, HeartbeatsGoToTheLastRequesterOnTheirOwnSchedule) {
  Config config;
  config.heartbeatSeconds = 5;
  start(config);
  EXPECT_TRUE(tick(kT0 + 5s).empty()) << "nobody to beat to yet";
  EXPECT_EQ(sim_->nextWakeup(kT0 + 5s), std::nullopt);
  askType("getdeviceid", kT0 + 6s);
  EXPECT_EQ(sim_->nextWakeup(kT0 + 6s), kT0 + 10s);
  EXPECT_TRUE(tick(kT0 + 9999ms).empty());
  auto out = tick(kT0 + 10s);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes, R"({"type":"heart"})");
  EXPECT_EQ(out[0].to, kTool);
  EXPECT_EQ(out[0].kind, Kind::Heartbeat);
  // A long stall gives one beat, not the missed ones, and the schedule keeps its phase.
  ask(R"({"type":"getrtc"})", kT0 + 11s, kOther);
  out = tick(kT0 + 27s);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].to, kOther);
  EXPECT_EQ(sim_->nextWakeup(kT0 + 27s), kT0 + 30s);
}

TEST_F(SimulatorTest, NoHeartbeatWhenOff) {
  askType("getdeviceid");
  EXPECT_TRUE(tick(kT0 + 3600s).empty());
  EXPECT_EQ(sim_->nextWakeup(kT0), std::nullopt);
}

TEST_F(SimulatorTest, SimstatsAnswersCountersEvenWhileRebooting) {
  askType("getdeviceid");
  askType("bogus");
  ask(R"({"type":"setdeviceid","deviceid":"x"})");
  send("not json");
  askType("reboot");
  EXPECT_TRUE(send(R"({"type":"getrtc"})", kT0 + 1ms).empty());
  const auto out = send(R"({"type":"simstats"})", kT0 + 2ms, kOther);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].to, kOther);
  EXPECT_EQ(out[0].kind, Kind::Stats);
  const std::string& s = out[0].bytes;
  EXPECT_EQ(names(s).at(0), "type");
  EXPECT_EQ(member(s, "type"), "simstats");
  EXPECT_EQ(member(s, "received"), "7");
  EXPECT_EQ(member(s, "requests"), "4");
  EXPECT_EQ(member(s, "invalid"), "1");
  EXPECT_EQ(member(s, "unknown"), "1");
  EXPECT_EQ(member(s, "refused"), "1");
  EXPECT_EQ(member(s, "ignored"), "1");
  EXPECT_EQ(member(s, "reboots"), "1");
  EXPECT_EQ(member(s, "simstats"), "1");
  for (const char* counter : {"sent", "sent_bytes", "replies", "reports", "heartbeats",
                              "stats_replies", "malformed", "oversize", "empty", "capitals",
                              "badstatus", "duplicate", "send_waits", "send_errors", "test_runs"}) {
    EXPECT_EQ(member(s, counter), "0") << counter;
  }
}

TEST_F(SimulatorTest, FaultsSpoilRepliesAndReportsButNotStatsOrHeartbeats) {
  Config config;
  config.heartbeatSeconds = 1;
  config.rate = 0;
  config.faults.capitals = 1;
  config.faults.badstatus = 1;
  start(config);
  EXPECT_EQ(names(askType("getdeviceid")), (std::vector<std::string>{"TYPE", "DEVICEID"}));
  EXPECT_NE(member(ask(R"({"type":"setdeviceid","deviceid":"1"})"), "STATUS"), "ok");
  EXPECT_EQ(sim_->settings().deviceId, "1") << "the value was stored; only the answer lies";
  askType("teststart");
  const auto reports = tick(kT0, 3);
  EXPECT_EQ(names(reports.at(0).bytes),
            (std::vector<std::string>{"TYPE", "EPC", "EPCLEN", "ANTID", "RSSI"}));
  const auto beat = tick(kT0 + 1s, 0);
  ASSERT_EQ(beat.size(), 1u);
  EXPECT_EQ(beat[0].bytes, R"({"type":"heart"})");
  EXPECT_EQ(names(ask(R"({"type":"simstats"})")).at(0), "type");
}

}  // namespace
}  // namespace devicesim
