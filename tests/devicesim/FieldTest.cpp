// The reader's antennas and signals, and the faults that spoil them: the simulator driven with an
// injected clock, as a read test would see its reports.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "JsonTestUtil.h"
#include "Simulator.h"

namespace devicesim {
namespace {

using namespace std::chrono_literals;
using test::member;

const TimePoint kT0 = TimePoint{} + 1000s;
const Endpoint kTool{0x7F000001, 40000};

struct Seen {
  std::string epc;
  std::string antenna;
  int rssi;
};

// The reports of a run of `length`; the simulator is kept for a look at its field.
std::vector<Seen> run(std::unique_ptr<Simulator>& sim, Config config, Nanos length) {
  config.heartbeatSeconds = 0;
  sim = std::make_unique<Simulator>(config, kT0);
  std::vector<Outgoing> out;
  sim->onDatagram(R"({"type":"teststart"})", kTool, kT0, out);
  out.clear();
  sim->onTimer(kT0 + length, 1000000, out);
  std::vector<Seen> seen;
  for (const Outgoing& report : out) {
    seen.push_back({member(report.bytes, "epc"), member(report.bytes, "antid"),
                    std::stoi(member(report.bytes, "rssi"))});
  }
  return seen;
}

Config withFaults(const char* list) {
  Config config;
  EXPECT_EQ(parseFaults(list, config.faults), std::nullopt) << list;
  return config;
}

std::set<std::string> antennasOf(const Simulator& sim, std::size_t tag) {
  std::set<std::string> names;
  for (std::uint8_t antenna : sim.field().radio(tag).antennas) {
    if (antenna != 0) names.insert(std::to_string(antenna));
  }
  return names;
}

TEST(Field, AHealthyReaderReadsEveryTagEarlyAndEveryAntennaAGoodShare) {
  std::unique_ptr<Simulator> sim;
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    // Every tag within 3 s at the default rate, and as early at other rates in proportion.
    for (double rate : {100.0, 20.0, 1000.0}) {
      Config config;
      config.seed = seed;
      config.rate = rate;
      std::set<std::string> tags;
      for (const Seen& s : run(sim, config, Nanos(static_cast<Nanos::rep>(3e11 / rate)))) {
        tags.insert(s.epc);
      }
      EXPECT_EQ(tags.size(), 50u) << "seed " << seed << " rate " << rate;
    }
    Config config;
    config.seed = seed;
    std::map<std::string, std::set<std::string>> tagsByAntenna;
    for (const Seen& s : run(sim, config, 5s)) tagsByAntenna[s.antenna].insert(s.epc);
    ASSERT_EQ(tagsByAntenna.size(), 4u) << "seed " << seed;
    for (const auto& [antenna, tags] : tagsByAntenna) {
      EXPECT_GE(tags.size(), 10u) << "seed " << seed << " antenna " << antenna;
    }
  }
}

TEST(Field, ADeadAntennaReadsNothingAndItsSharedTagsComeViaTheOther) {
  std::unique_ptr<Simulator> sim;
  std::map<std::string, std::set<std::string>> antennasByTag;
  for (const Seen& s : run(sim, withFaults("dead-antenna=2"), 10s)) {
    antennasByTag[s.epc].insert(s.antenna);
  }
  int onlyTwo = 0, shared = 0;
  for (std::size_t tag = 0; tag < sim->tags().size(); ++tag) {
    std::set<std::string> expected = antennasOf(*sim, tag);
    shared += expected.erase("2") > 0 && !expected.empty();
    onlyTwo += expected.empty();
    const auto found = antennasByTag.find(sim->tags().epc(tag));
    if (expected.empty()) {
      EXPECT_EQ(found, antennasByTag.end()) << "tag " << tag << " is seen by antenna 2 only";
    } else {
      ASSERT_NE(found, antennasByTag.end()) << "tag " << tag;
      EXPECT_EQ(found->second, expected) << "tag " << tag;
    }
  }
  EXPECT_GT(onlyTwo, 0);
  EXPECT_GT(shared, 0);

  // A reader whose every antenna is dead sends nothing and does not spin waiting to.
  Config config = withFaults("dead-antenna=1");
  config.antennas = 1;
  config.rate = 0;
  EXPECT_TRUE(run(sim, config, 1s).empty());
  EXPECT_EQ(sim->nextWakeup(kT0 + 1s), std::nullopt);
}

TEST(Field, AWeakAntennaReadsTheSameTagsLowerByItsDecibels) {
  std::unique_ptr<Simulator> sim;
  const std::vector<Seen> healthy = run(sim, Config{}, 10s);
  const std::vector<Seen> weak = run(sim, withFaults("weak-antenna=2:10"), 10s);
  ASSERT_EQ(weak.size(), healthy.size());
  int lowered = 0;
  for (std::size_t i = 0; i < weak.size(); ++i) {
    ASSERT_EQ(weak[i].epc, healthy[i].epc);
    ASSERT_EQ(weak[i].antenna, healthy[i].antenna);
    const int drop = weak[i].antenna == "2" ? 10 : 0;
    EXPECT_EQ(weak[i].rssi, healthy[i].rssi - drop) << i;
    lowered += drop > 0;
  }
  EXPECT_GT(lowered, 100);
}

TEST(Field, MissingTagsAreTheLastOfThePopulationAndNeverAnswer) {
  std::unique_ptr<Simulator> sim;
  std::set<std::string> seen;
  for (const Seen& s : run(sim, withFaults("missing=5"), 10s)) seen.insert(s.epc);
  EXPECT_EQ(seen.size(), 45u);
  for (std::size_t tag = 45; tag < 50; ++tag) EXPECT_EQ(seen.count(sim->tags().epc(tag)), 0u);
}

}  // namespace
}  // namespace devicesim
