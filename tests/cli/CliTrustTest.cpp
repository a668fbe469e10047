// What the command line believes, what it keeps when it is stopped, and what it says about its
// output: signals, forged senders, drops and failed writes.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../common/FakeDevice.h"
#include "CliProcess.h"
#include "CommandLine.h"
#include "ExitCodes.h"
#include "Requests.h"

namespace {

using namespace std::chrono_literals;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string Report(const std::string& epc) {
  return R"({"type":"epcinfo","epc":")" + epc + R"(","rssi":"-60"})";
}

// A stranger on another loopback address, sending to the command line's port.
void SendFrom127002(const std::string& text, std::uint16_t toPort) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  from.sin_addr.s_addr = htonl(0x7F000002);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(toPort);
  ::sendto(fd, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  ::close(fd);
}

// tagwick-cli with its stdout on `out`, to its end; the exit code, stderr in `err`.
int RunWithStdout(const std::vector<std::string>& args, int out, std::string& err) {
  char errPath[] = "/tmp/tagwick-cli-err-XXXXXX";
  const int errFd = mkstemp(errPath);
  std::vector<std::string> all = {TAGWICK_CLI};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  std::ifstream in(errPath);
  std::stringstream text;
  text << in.rdbuf();
  err = text.str();
  close(errFd);
  unlink(errPath);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class CliTrustTest : public ::testing::Test {
 protected:
  std::vector<std::string> Args(std::vector<std::string> rest) {
    rest.insert(rest.begin(), {"--device", "127.0.0.1:" + device.PortText()});
    return rest;
  }
  FakeDevice device;
  std::filesystem::path csv =
      std::filesystem::temp_directory_path() / ("tagwick-trust-" + std::to_string(getpid()));
  void TearDown() override { std::filesystem::remove(csv); }
};

TEST_F(CliTrustTest, TermAndHangUpEndAnInventoryWithTestStopSummaryAndFile) {
  for (const int signal : {SIGTERM, SIGHUP}) {
    CliProcess cli(Args({"inventory", "60", "--csv", csv.string()}));
    EXPECT_EQ(device.Receive(), TypeRequest("qdwdebugstart"));
    EXPECT_EQ(device.Receive(), TypeRequest("teststart"));
    device.Send(Report("A1"));
    std::this_thread::sleep_for(300ms);
    cli.Signal(signal);
    EXPECT_EQ(device.Receive(), TypeRequest("teststop"));
    EXPECT_EQ(device.Receive(), TypeRequest("debugstop"));
    EXPECT_EQ(cli.Wait(), 0) << cli.Err();
    EXPECT_TRUE(Contains(cli.Out(), "tags=1\nreads=1\n")) << cli.Out();
    std::ifstream file(csv, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_TRUE(Contains(content.str(), ",A1,")) << content.str();
    std::filesystem::remove(csv);
  }
}

TEST_F(CliTrustTest, DatagramsFromAnotherAddressAreIgnoredAndCountedUnlessAnySender) {
  for (const bool anySender : {false, true}) {
    std::vector<std::string> args = {"get", "deviceid"};
    if (anySender) args.push_back("--any-sender");
    CliProcess cli(Args(args));
    EXPECT_EQ(device.Receive(), TypeRequest("qdwdebugstart"));
    EXPECT_EQ(device.Receive(), TypeRequest("getdeviceid"));
    SendFrom127002(R"({"type":"getdeviceid","deviceid":"EVIL"})", device.PeerPort());
    std::this_thread::sleep_for(100ms);
    device.Send(R"({"type":"getdeviceid","deviceid":"42"})");
    EXPECT_EQ(cli.Wait(), 0);
    EXPECT_EQ(cli.Out(), anySender ? "deviceid=EVIL\n" : "deviceid=42\n");
    EXPECT_EQ(Contains(cli.Err(), "ignored 1 datagrams from senders other than 127.0.0.1"),
              !anySender)
        << cli.Err();
    EXPECT_EQ(device.Receive(), TypeRequest("debugstop"));
  }
}

TEST_F(CliTrustTest, DropsOfAStalledRunAreCountedExactlyInTheSummary) {
  CliProcess cli(Args({"inventory", "3"}));
  EXPECT_EQ(device.Receive(), TypeRequest("qdwdebugstart"));
  EXPECT_EQ(device.Receive(), TypeRequest("teststart"));
  // A stopped process takes nothing: the burst overflows whatever queue the system granted.
  cli.Signal(SIGSTOP);
  constexpr int kSent = 60000;
  for (int i = 0; i < kSent; ++i) device.Send(Report("A1"));
  cli.Signal(SIGCONT);
  EXPECT_EQ(cli.Wait(), 0) << cli.Err();
  const std::string out = cli.Out();
  const std::size_t reads = out.find("\nreads=");
  const std::size_t dropped = out.find("\ndropped=");
  ASSERT_NE(reads, std::string::npos);
  ASSERT_NE(dropped, std::string::npos) << out;
  const long readCount = std::stol(out.substr(reads + 7));
  const long droppedCount = std::stol(out.substr(dropped + 9));
  EXPECT_GT(droppedCount, 0);
  EXPECT_EQ(readCount + droppedCount, kSent);
  EXPECT_TRUE(Contains(cli.Err(), "datagrams were dropped by the system")) << cli.Err();
}

TEST_F(CliTrustTest, AFullStdoutFailsLoudlyAndAClosedPipeQuietlyAfterTheFile) {
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  std::thread answer([&] {
    device.Receive();
    device.Receive();
    device.Send(R"({"type":"getdeviceid","deviceid":"42"})");
  });
  std::string err;
  EXPECT_EQ(RunWithStdout(Args({"get", "deviceid"}), full, err), 1);
  answer.join();
  close(full);
  EXPECT_TRUE(Contains(err, "cannot write the output: No space left on device")) << err;
  device.Drain();

  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  EXPECT_EQ(RunWithStdout(Args({"inventory", "0.3", "--csv", csv.string()}), ends[1], err), 1);
  close(ends[1]);
  EXPECT_TRUE(err.find("cannot write") == std::string::npos) << err;
  EXPECT_TRUE(std::filesystem::exists(csv));
  const std::vector<std::string> sent = device.Drain();
  EXPECT_NE(std::find(sent.begin(), sent.end(), TypeRequest("teststop")), sent.end());
}

// Parsed only, never run: nothing is sent to these addresses even if a check failed.
std::string Refusal(std::vector<std::string> args) {
  args.insert(args.begin(), "tagwick-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  try {
    ParseCommandLine(static_cast<int>(argv.size()), argv.data());
  } catch (const InputError& error) {
    return error.what();
  }
  return "accepted";
}

TEST(CliInputTest, AddressesThatCannotBeOneDeviceAndHugeNumbersAreRefusedByName) {
  for (const char* address : {"0.0.0.0", "0.1.2.3", "255.255.255.255", "224.0.0.1"}) {
    EXPECT_TRUE(Contains(Refusal({"--device", address, "get", "deviceid"}),
                         "--device address '" + std::string(address) + "' is"))
        << address;
  }
  EXPECT_EQ(Refusal({"--device", "127.0.0.1", "get", "deviceid"}), "accepted");
  const std::string huge =
      Refusal({"--device", "127.0.0.1", "--timeout", std::string(400, '9'), "get", "deviceid"});
  EXPECT_TRUE(Contains(huge, "must be above 0 and at most 3600")) << huge;
}

TEST_F(CliTrustTest, AnInventoryThatHeardNothingSaysSo) {
  const CliResult result = RunCli(Args({"inventory", "0.2"}));
  EXPECT_EQ(result.code, 5);
  EXPECT_TRUE(Contains(result.err, "nothing at all came from 127.0.0.1:" + device.PortText()))
      << result.err;
}

}  // namespace
