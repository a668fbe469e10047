#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "../common/FakeDevice.h"
#include "../common/SimProcess.h"
#include "CliProcess.h"
#include "SiteHarness.h"

namespace {

namespace fs = std::filesystem;

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// A four-antenna simulated reader that sends its reports at once, so that a run's figures do
// not depend on how fast this machine is; `faults` spoils it.
std::vector<std::string> Reader(int reports, const std::string& faults = "") {
  std::vector<std::string> options = {
      "--seed", "7", "--rate", "0", "--count", std::to_string(reports), "--heartbeat", "0"};
  if (!faults.empty()) options.insert(options.end(), {"--faults", faults});
  return options;
}

class CliVerdictTest : public ::testing::Test {
 protected:
  CliResult Test(const std::string& faults, std::vector<std::string> args = {}) {
    SimProcess sim(Reader(200, faults));
    args.insert(args.begin(), {"--device", "127.0.0.1:" + std::to_string(sim.Port()), "test",
                               (dir / "recipe.ini").string()});
    return RunCli(args);
  }
  fs::path dir = [] {
    std::string pattern = (fs::temp_directory_path() / "tagwick-verdict-XXXXXX").string();
    return fs::path(mkdtemp(pattern.data()));
  }();
  ~CliVerdictTest() override { fs::remove_all(dir); }
};

}  // namespace

// A golden run's export is the next runs' test set; each fault fails its own criterion.
TEST_F(CliVerdictTest, AHealthyReaderPassesAndEachFaultFailsWhereItLies) {
  {
    SimProcess golden(Reader(50));
    const CliResult run = RunCli({"--device", "127.0.0.1:" + std::to_string(golden.Port()),
                                  "inventory", "5", "--csv", (dir / "golden.csv").string()});
    ASSERT_EQ(run.code, 0) << run.err;
    ASSERT_NE(run.out.find("tags=50\n"), std::string::npos) << run.out;
  }
  std::ofstream(dir / "recipe.ini") << "[Test]\nSeconds=3\nStopWhenPassed=yes\n"
                                       "[Tags]\nExpected=golden.csv\nMinReads=2\nUnexpected=fail\n"
                                       "[Antennas]\nRead=1,2,3,4\nMinTags=5\nMinSignal=55\n";

  const std::string junit = (dir / "verdict.xml").string();
  const std::string json = (dir / "verdict.json").string();
  const CliResult healthy = Test("", {"--junit", junit, "--json", json});
  EXPECT_EQ(healthy.code, 0) << healthy.out << healthy.err;
  EXPECT_NE(healthy.out.find("verdict=PASS\n"), std::string::npos) << healthy.out;
  EXPECT_NE(ReadText(json).find("\"verdict\":\t\"PASS\""), std::string::npos);
  // Read back as CI servers read it.
  const std::string check =
      "/usr/bin/python3 -c \"import junitparser, sys; x = "
      "junitparser.JUnitXml.fromfile(sys.argv[1]);"
      " s = next(iter(x)); sys.exit(0 if s.tests == 15 and s.failures == 0 and"
      " all(c.is_passed for c in s) else 1)\" " +
      junit;
  EXPECT_EQ(std::system(check.c_str()), 0) << ReadText(junit);

  const CliResult dead = Test("dead-antenna=2");
  EXPECT_EQ(dead.code, 7) << dead.out << dead.err;
  EXPECT_NE(dead.out.find("fail: antenna 2 reads >= 1, measured 0\n"), std::string::npos);
  EXPECT_EQ(dead.out.find("fail: antenna 1"), std::string::npos) << dead.out;

  const CliResult weak = Test("weak-antenna=3:25");
  EXPECT_EQ(weak.code, 7) << weak.out;
  EXPECT_EQ(Count(weak.out, "fail: "), 1) << weak.out;
  EXPECT_NE(weak.out.find("fail: antenna 3 mean signal >= 55"), std::string::npos) << weak.out;

  const CliResult missing = Test("missing=3", {"--junit", junit});
  EXPECT_EQ(missing.code, 7) << missing.out;
  EXPECT_EQ(Count(missing.out, "\nmissing="), 3) << missing.out;
  EXPECT_NE(missing.out.find("fail: expected tags seen = 50, measured 47"), std::string::npos);
  EXPECT_NE(ReadText(junit).find("<failure message=\"limit = 50, measured 47: never seen: "),
            std::string::npos)
      << ReadText(junit);
}

TEST_F(CliVerdictTest, ABadRecipeExitsTwoAndSendsNothing) {
  std::ofstream(dir / "recipe.ini") << "[Antennas]\nRead=1\nMinTag=3\n";
  FakeDevice device;
  const CliResult result =
      RunCli({"--device", "127.0.0.1:" + device.PortText(), "test", (dir / "recipe.ini").string(),
              "--junit", (dir / "v.xml").string()});
  EXPECT_EQ(result.code, 2);
  EXPECT_NE(result.err.find((dir / "recipe.ini").string() + ":3: [Antennas] MinTag: unknown key"),
            std::string::npos)
      << result.err;
  EXPECT_FALSE(device.Receive(std::chrono::milliseconds(50)).has_value());
  EXPECT_FALSE(fs::exists(dir / "v.xml"));
}
