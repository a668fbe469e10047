#include "Options.h"

#include <gtest/gtest.h>

namespace devicesim {
namespace {

using Status = ParseOutcome::Status;

ParseOutcome parse(std::vector<std::string> args) {
  return parseCommandLine(args);
}

TEST(CommandLine, Defaults) {
  const ParseOutcome o = parse({});
  ASSERT_EQ(o.status, Status::Run);
  EXPECT_EQ(o.options.bind, "127.0.0.1");
  EXPECT_EQ(o.options.port, 11002);
  EXPECT_DOUBLE_EQ(o.options.config.rate, 100);
  EXPECT_EQ(o.options.config.tags, 50u);
  EXPECT_EQ(o.options.config.antennas, 4u);
  EXPECT_EQ(o.options.config.seed, 1u);
  EXPECT_DOUBLE_EQ(o.options.config.heartbeatSeconds, 5);
  EXPECT_EQ(o.options.config.rebootMs, 3000u);
  EXPECT_EQ(o.options.config.count, 0u);
  EXPECT_FALSE(o.options.config.faults.any());
}

TEST(CommandLine, EveryOptionInBothSpellings) {
  const ParseOutcome o =
      parse({"--bind", "127.1.2.3", "--port=0", "--rate", "0", "--tags=1000", "--seed",
             "18446744073709551615", "--heartbeat=0.5", "--reboot-ms", "250", "--count=10",
             "--faults", "capitals=0.1,badstatus=0.5", "--antennas=32"});
  ASSERT_EQ(o.status, Status::Run) << o.message;
  EXPECT_EQ(o.options.bind, "127.1.2.3");
  EXPECT_EQ(o.options.port, 0);
  EXPECT_DOUBLE_EQ(o.options.config.rate, 0);
  EXPECT_EQ(o.options.config.tags, 1000u);
  EXPECT_EQ(o.options.config.seed, 18446744073709551615ULL);
  EXPECT_DOUBLE_EQ(o.options.config.heartbeatSeconds, 0.5);
  EXPECT_EQ(o.options.config.rebootMs, 250u);
  EXPECT_EQ(o.options.config.count, 10u);
  EXPECT_EQ(o.options.config.antennas, 32u);
  EXPECT_DOUBLE_EQ(o.options.config.faults.capitals, 0.1);
  EXPECT_DOUBLE_EQ(o.options.config.faults.badstatus, 0.5);
  EXPECT_DOUBLE_EQ(parse({"--rate", "2.5"}).options.config.rate, 2.5);
}

TEST(CommandLine, Help) {
  EXPECT_EQ(parse({"--help"}).status, Status::Help);
  EXPECT_EQ(parse({"--port", "5", "-h"}).status, Status::Help);
  EXPECT_NE(usageText().find("--faults"), std::string::npos);
}

TEST(CommandLine, BadValuesAreErrorsThatNameTheOption) {
  const std::vector<std::vector<std::string>> bad = {
      {"--port", "65536"},
      {"--port", "-1"},
      {"--port", "80a"},
      {"--port", ""},
      {"--port"},
      {"--rate", "fast"},
      {"--rate", "-1"},
      {"--rate", "nan"},
      {"--rate", "1e9"},
      {"--tags", "0"},
      {"--tags", "1000001"},
      {"--tags", "1.5"},
      {"--seed", "-3"},
      {"--seed", "0x10"},
      {"--heartbeat", "-1"},
      {"--heartbeat", "x"},
      {"--heartbeat", "0.0001"},
      {"--reboot-ms", "1.5"},
      {"--reboot-ms", "-1"},
      {"--count", "ten"},
      {"--antennas", "0"},
      {"--antennas", "33"},
      {"--faults", "dead-antenna=5"},
      {"--faults", "weak-antenna=5:10"},
      {"--faults", "missing=50"},
      {"--faults", "dead-antenna=5@1"},
      {"--faults", "capitals"},
      {"--faults", "bogus=1"},
      {"--bind", "localhost"},
      {"--bind", "127.0.0"},
  };
  for (const auto& args : bad) {
    const ParseOutcome o = parse(args);
    EXPECT_EQ(o.status, Status::Error) << args[0];
    EXPECT_NE(o.message.find(args[0]), std::string::npos) << o.message;
  }
}

TEST(CommandLine, ReaderFaultsAreCheckedAgainstAntennasAndTagsGivenAnywhere) {
  EXPECT_EQ(
      parse({"--faults", "dead-antenna=6,missing=9", "--antennas", "6", "--tags", "10"}).status,
      Status::Run);
  EXPECT_EQ(parse({"--faults", "missing=10", "--tags", "10"}).status, Status::Error);
  EXPECT_EQ(parse({"--antennas", "6", "--faults", "weak-antenna=7:1"}).status, Status::Error);
}

TEST(CommandLine, UnknownOptionsAndStrayWordsAreErrors) {
  EXPECT_EQ(parse({"--verbose"}).status, Status::Error);
  EXPECT_EQ(parse({"11002"}).status, Status::Error);
  EXPECT_EQ(parse({"--port-number=5"}).status, Status::Error);
}

TEST(CommandLine, BindOutsideLoopbackIsRefusedClearly) {
  for (const char* address :
       {"0.0.0.0", "10.0.0.1", "192.168.12.1", "128.0.0.1", "126.255.255.255"}) {
    const ParseOutcome o = parse({"--bind", address});
    EXPECT_EQ(o.status, Status::Error) << address;
    EXPECT_NE(o.message.find("127.0.0.0/8"), std::string::npos) << o.message;
  }
  EXPECT_EQ(parse({"--bind", "127.255.255.254"}).status, Status::Run);
}

TEST(LoopbackAddress, ParsesOnlyLoopback) {
  std::uint32_t address = 0;
  EXPECT_TRUE(parseLoopbackAddress("127.0.0.1", address));
  EXPECT_EQ(address, 0x7F000001u);
  EXPECT_FALSE(parseLoopbackAddress("8.8.8.8", address));
  EXPECT_FALSE(parseLoopbackAddress("not an address", address));
}

}  // namespace
}  // namespace devicesim
