#include <gtest/gtest.h>

#include "../common/SimProcess.h"
#include "CliProcess.h"
#include "SiteHarness.h"

namespace {

CliResult Scan(const std::string& first, const std::string& last, std::uint16_t port,
               std::vector<std::string> args = {}) {
  RefuseOffLoopback(first);
  RefuseOffLoopback(last);
  args.insert(args.end(),
              {"--timeout", "0.5", "scan", first + "-" + last, "--port", std::to_string(port)});
  return RunCli(args);
}

}  // namespace

TEST(ScanTest, FindsExactlyTheDevicesThatRun) {
  // Five devices from 127.0.0.3 and two from 127.0.0.39 (the last address scanned), all on one
  // port.
  SimProcess site{{"--bind", "127.0.0.3", "--devices", "5", "--heartbeat", "0"}};
  const std::string port = std::to_string(site.Port());
  SimProcess other{{"--bind", "127.0.0.39", "--port", port, "--devices", "2", "--heartbeat", "0"}};
  const CliResult found = Scan("127.0.0.1", "127.0.0.40", site.Port(), {"--json"});
  EXPECT_EQ(found.code, 0) << found.err;
  std::string addresses;
  for (std::size_t at = found.out.find("\"address\":\""); at != std::string::npos;
       at = found.out.find("\"address\":\"", at + 1)) {
    addresses += found.out.substr(at + 11, found.out.find('"', at + 11) - at - 11) + " ";
  }
  EXPECT_EQ(addresses, "127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.39 127.0.0.40 ");
  EXPECT_TRUE(found.out.rfind("{\"address\":\"127.0.0.3\",\"port\":\"" + port +
                                  "\",\"deviceid\":\"10001\",\"answer_ms\":\"",
                              0) == 0)
      << found.out;

  const CliResult none = Scan("127.0.0.8", "127.0.0.29", site.Port());
  EXPECT_EQ(none.code, 5);
  EXPECT_EQ(none.out, "");
}
