#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "../common/SimProcess.h"
#include "CliProcess.h"
#include "SiteHarness.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A report's rows by device, each row by column; quoted cells as a spreadsheet reads them.
std::map<std::string, std::map<std::string, std::string>> ReadReport(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      cell += c;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ',' || c == '\n')) {
      rows.back().push_back(cell);
      cell.clear();
      if (c == '\n') rows.emplace_back();
    } else if (quoted || c != '\r') {
      cell += c;
    }
  }
  std::map<std::string, std::map<std::string, std::string>> report;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size() && c < rows[0].size(); ++c) {
      report[rows[r][0]][rows[0][c]] = rows[r][c];
    }
  }
  return report;
}

// Twenty simulated devices on 127.0.0.2 to 127.0.0.21: device 4 refuses every set, device 9
// answers nothing, device 15 answers "ok" to a gateway set but keeps its old port.
class SiteTest : public ::testing::Test {
 protected:
  static std::string Address(int n) { return "127.0.0." + std::to_string(n + 1); }
  std::string Device(int n) const { return Address(n) + ":" + std::to_string(sim.Port()); }

  // Every group for every device; `row7` replaces the gateway port of the sixth device, which
  // a spreadsheet shows in row 7.
  std::string Plan(const std::string& row7 = "") const {
    std::string text =
        "device,deviceid,gateway_ip,gateway_port,network,ip,mask,gateway,dns1,clock\n";
    for (int n = 1; n <= 20; ++n) {
      const std::string port = n == 6 && !row7.empty() ? row7 : std::to_string(9000 + n);
      text += Device(n) + "," + std::to_string(5000 + n) + ",127.0.0.9," + port +
              ",static,127.0.1." + std::to_string(n) + ",255.0.0.0,127.0.0.1,127.0.0.53,now\n";
    }
    return text;
  }
  CliResult Commission(const std::string& plan, std::vector<std::string> args) {
    args.insert(args.begin(), {"--timeout", "0.3", "commission", WritePlan(dir / "plan.csv", plan),
                               "--retries", "1", "--jobs", "8"});
    return RunCli(args);
  }

  SimProcess sim{{"--bind", "127.0.0.2", "--devices", "20", "--heartbeat", "0", "--faults",
                  "badstatus=1@4", "--faults", "silent=1@9", "--faults", "forget=gateway_port@15"}};
  std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tagwick-site-XXXXXX").string();
    return std::filesystem::path(mkdtemp(pattern.data()));
  }();
  ~SiteTest() override { std::filesystem::remove_all(dir); }
};

}  // namespace

TEST_F(SiteTest, EachDeviceEndsWithItsOwnOutcomeAndSkipOkRedoesOnlyTheRest) {
  const CliResult first = Commission(Plan(), {"--report", (dir / "report.csv").string()});
  EXPECT_EQ(first.code, 6) << first.err;
  EXPECT_TRUE(Contains(first.err, "20 devices in ")) << first.err;
  EXPECT_TRUE(Contains(first.err, "17 ok, 1 refused, 1 mismatch, 1 timeout, 0 unreachable"))
      << first.err;
  auto report = ReadReport(ReadText(dir / "report.csv"));
  ASSERT_EQ(report.size(), 20u);
  for (int n = 1; n <= 20; ++n) {
    auto& row = report[Device(n)];
    if (n == 4 || n == 9 || n == 15) continue;
    EXPECT_EQ(row["outcome"], "ok") << n << row["detail"];
    EXPECT_EQ(row["before_deviceid"], "10001");
    EXPECT_EQ(row["before_gateway_port"], "9090");
    EXPECT_EQ(row["after_gateway_port"], std::to_string(9000 + n));
    EXPECT_EQ(row["before_ip"], "192.168.12.1");
    EXPECT_EQ(row["after_ip"], "127.0.1." + std::to_string(n));
    // dns2 is not in the plan: it stays what the device held.
    EXPECT_EQ(row["after_dns2"], "4.2.2.2");
  }
  EXPECT_EQ(report[Device(4)]["outcome"], "refused");
  EXPECT_TRUE(Contains(report[Device(4)]["detail"], "setgateway status '"));
  EXPECT_EQ(report[Device(4)]["before_gateway_port"], "9090");
  EXPECT_EQ(report[Device(4)]["after_gateway_port"], "");
  EXPECT_EQ(report[Device(9)]["outcome"], "timeout");
  EXPECT_EQ(report[Device(9)]["detail"], "read gateway");
  EXPECT_EQ(report[Device(15)]["outcome"], "mismatch");
  EXPECT_EQ(report[Device(15)]["detail"], "gateway_port: planned 9015, read 9090");
  EXPECT_EQ(report[Device(15)]["after_deviceid"], "5015");
  // The device itself holds what the report says.
  const CliResult held = RunCli({"--device", Device(3), "get", "gateway"});
  EXPECT_EQ(held.out, "ip=127.0.0.9\nport=9003\n");

  std::map<int, long long> before;
  for (int n = 1; n <= 20; ++n) before[n] = Counter(SimStats(Address(n), sim.Port()), "requests");
  const CliResult again = Commission(Plan(), {"--skip-ok", (dir / "report.csv").string(),
                                              "--report", (dir / "again.csv").string()});
  EXPECT_EQ(again.code, 6) << again.err;
  for (int n = 1; n <= 20; ++n) {
    const long long after = Counter(SimStats(Address(n), sim.Port()), "requests");
    EXPECT_EQ(after > before[n], n == 4 || n == 15) << n;
  }
  report = ReadReport(ReadText(dir / "again.csv"));
  EXPECT_EQ(report.size(), 20u);
  EXPECT_EQ(report[Device(1)]["outcome"], "ok");
  EXPECT_EQ(report[Device(1)]["after_gateway_port"], "9001");
}

TEST_F(SiteTest, OneBadCellRefusesThePlanAndNothingIsSent) {
  const CliResult result = Commission(Plan("90x6"), {});
  EXPECT_EQ(result.code, 2);
  EXPECT_TRUE(Contains(result.err, "row 7: column gateway_port '90x6'")) << result.err;
  // Each device has seen nothing but the counter request itself.
  for (int n = 1; n <= 20; ++n) EXPECT_EQ(Counter(SimStats(Address(n), sim.Port()), "received"), 1);
}

TEST_F(SiteTest, ASemicolonPlanFromASpreadsheetReadsAsTheCommaPlan) {
  const std::string comma = "device,deviceid,network,clock,gateway_port\n" + Device(1) +
                            ",42,dhcp,2030-05-06T07:08:09,\n" + Device(2) + ",,,,8080\n";
  const std::string semicolon =
      "\xEF\xBB\xBF\"gateway_port\";device;deviceid;network;clock\r\n"
      ";\"" +
      Device(1) +
      "\";42; dhcp ;2030-05-06T07:08:09\r\n"
      "\r\n\"8080\";" +
      Device(2) + ";;;\r\n;;;;\r\n";
  const CliResult fromComma =
      RunCli({"--json", "commission", WritePlan(dir / "a.csv", comma), "--dry-run"});
  const CliResult fromSemicolon =
      RunCli({"--json", "commission", WritePlan(dir / "b.csv", semicolon), "--dry-run"});
  EXPECT_EQ(fromComma.code, 0) << fromComma.err;
  EXPECT_EQ(fromSemicolon.code, 0) << fromSemicolon.err;
  EXPECT_EQ(fromSemicolon.out, fromComma.out);
  EXPECT_TRUE(Contains(fromComma.out, "\"gateway_port\":\"8080\"")) << fromComma.out;
  EXPECT_EQ(Counter(SimStats(Address(1), sim.Port()), "received"), 1);
}

TEST_F(SiteTest, CtrlCStartsNoFurtherDeviceAndStillWritesTheReport) {
  // The silent device first and one at a time: it holds the run while Ctrl-C comes.
  const std::string plan =
      "device,deviceid\n" + Device(9) + ",1\n" + Device(1) + ",2\n" + Device(2) + ",3\n";
  CliProcess cli({"--timeout", "0.5", "commission", WritePlan(dir / "plan.csv", plan), "--jobs",
                  "1", "--report", (dir / "report.csv").string()});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  cli.Interrupt();
  EXPECT_EQ(cli.Wait(), 6);
  auto report = ReadReport(ReadText(dir / "report.csv"));
  EXPECT_EQ(report[Device(9)]["outcome"], "interrupted");
  EXPECT_EQ(report[Device(1)]["outcome"], "not-run");
  EXPECT_EQ(report[Device(2)]["outcome"], "not-run");
  EXPECT_EQ(Counter(SimStats(Address(1), sim.Port()), "received"), 1);
}

// Refused plans and site arguments: exit 2 with the row and column, or the argument, named.
class SiteRefusalTest : public ::testing::TestWithParam<std::pair<std::string, const char*>> {};

TEST_P(SiteRefusalTest, ExitsTwo) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tagwick-plan-XXXXXX").string();
  const std::filesystem::path dir = mkdtemp(pattern.data());
  std::vector<std::string> args = {"commission", WritePlan(dir / "plan.csv", GetParam().first)};
  if (GetParam().first.rfind("scan ", 0) == 0) {
    const std::string range = GetParam().first.substr(5);
    RefuseOffLoopback(range);
    RefuseOffLoopback(range.substr(range.find('-') + 1));
    args = {"scan", range};
  }
  if (GetParam().first == "jobs") args.insert(args.end(), {"--jobs", "0"});
  const CliResult result = RunCli(args);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(result.code, 2);
  EXPECT_TRUE(Contains(result.err, GetParam().second)) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Plans, SiteRefusalTest,
    ::testing::Values(
        std::make_pair("device,deviceid\n127.0.0.2,1\n127.0.0.2:11002,2\n",
                       "row 3: column device 127.0.0.2:11002 is already in row 2"),
        std::make_pair("device,network,ip,gateway\n127.0.0.2,static,127.0.0.3,127.0.0.1\n",
                       "row 2: column mask is needed by a static network"),
        std::make_pair("device,ip\n127.0.0.2,127.0.0.3\n", "row 2: column ip needs network static"),
        std::make_pair("device,colour\n127.0.0.2,red\n", "row 1: unknown column 'colour'"),
        std::make_pair("device,clock\n127.0.0.2,2017-02-30T00:00:00\n", "row 2: column clock"),
        std::make_pair("jobs", "--jobs"),
        std::make_pair("scan 127.0.0.0-127.1.0.0", "more than 65536 addresses"),
        std::make_pair("scan 127.0.0.1-127.0.0.255", "LAST '127.0.0.255'")));
