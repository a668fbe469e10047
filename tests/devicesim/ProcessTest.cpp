// The real tagwick-devicesim process over loopback (its path comes in TAGWICK_DEVICESIM).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "JsonTestUtil.h"

extern char** environ;

namespace {

using devicesim::test::member;
using devicesim::test::names;

const char* simulatorPath() {
  return std::getenv("TAGWICK_DEVICESIM");
}

// A running simulator with its stdout on a pipe; killed and reaped on destruction.
class Process {
 public:
  explicit Process(std::vector<std::string> args) {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    args.insert(args.begin(), simulatorPath());
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    stdout_ = out[0];
  }
  ~Process() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (stdout_ >= 0) close(stdout_);
  }
  // The next line of stdout, waiting up to the timeout.
  std::optional<std::string> readLine(
      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
      if (const auto end = buffer_.find('\n'); end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd fd{stdout_, POLLIN, 0};
      if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
      char chunk[4096];
      const ssize_t got = read(stdout_, chunk, sizeof chunk);
      if (got <= 0) return std::nullopt;
      buffer_.append(chunk, static_cast<std::size_t>(got));
    }
  }
  void signal(int number) { kill(pid_, number); }
  // Sends a signal and waits for the exit code (-1 when it did not exit normally in time).
  int stop(int number) {
    signal(number);
    return wait();
  }
  int wait() {
    for (int i = 0; i < 1000; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      usleep(10000);
    }
    return -1;
  }
  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  int stdout_ = -1;
  std::string buffer_;
};

// The "tool": a UDP socket on an ephemeral loopback port.
class Client {
 public:
  Client() {
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    const int buffer = 4 * 1024 * 1024;
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  }
  ~Client() { close(fd_); }
  void send(const std::string& text, std::uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    sendto(fd_, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  std::optional<std::string> receive(int timeoutMs = 5000) {
    pollfd fd{fd_, POLLIN, 0};
    if (poll(&fd, 1, timeoutMs) <= 0) return std::nullopt;
    char buffer[9000];
    const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
    if (got < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(got));
  }
  // The next datagram whose "type" is the given one, skipping others (heartbeats, reports).
  std::optional<std::string> receiveType(const std::string& type, int timeoutMs = 5000) {
    for (int i = 0; i < 100000; ++i) {
      auto text = receive(timeoutMs);
      if (!text) return std::nullopt;
      if (member(*text, "type") == type) return text;
    }
    return std::nullopt;
  }

 private:
  int fd_ = -1;
};

std::uint16_t portOf(const std::string& line) {
  const auto colon = line.rfind(':');
  return static_cast<std::uint16_t>(std::stoi(line.substr(colon + 1)));
}

#define REQUIRE_SIMULATOR() \
  if (!simulatorPath()) GTEST_SKIP() << "TAGWICK_DEVICESIM not set"

TEST(DevicesimProcess, AnswersGetdeviceidOnAnEphemeralPort) {
  REQUIRE_SIMULATOR();
  Process sim({"--port", "0", "--heartbeat", "0"});
  ASSERT_TRUE(sim.started());
  const auto line = sim.readLine();
  ASSERT_TRUE(line);
  ASSERT_EQ(line->rfind("listening on 127.0.0.1:", 0), 0u) << *line;
  const std::uint16_t port = portOf(*line);
  ASSERT_NE(port, 0);

  Client tool;
  tool.send("{\n\t\"type\":\t\"getdeviceid\"\n}", port);
  const auto reply = tool.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply, R"({"type":"getdeviceid","deviceid":"10001"})");

  tool.send(R"({"type":"simstats"})", port);
  const auto stats = tool.receive();
  ASSERT_TRUE(stats);
  EXPECT_EQ(member(*stats, "requests"), "1");
  EXPECT_EQ(member(*stats, "replies"), "1");

  EXPECT_EQ(sim.stop(SIGTERM), 0);
  const auto last = sim.readLine();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->rfind("stats {", 0), 0u) << *last;
}

TEST(DevicesimProcess, StreamsCountReportsAndCountsThem) {
  REQUIRE_SIMULATOR();
  // Unpaced, but few enough reports (100) to fit a default-sized receive buffer even if this
  // test is descheduled meanwhile, so none can be lost on the way.
  Process sim({"--port", "0", "--rate", "0", "--count", "100", "--tags", "10", "--heartbeat", "0"});
  const auto line = sim.readLine();
  ASSERT_TRUE(line);
  const std::uint16_t port = portOf(*line);
  Client tool;
  tool.send(R"({"type":"qdwdebugstart"})", port);
  ASSERT_TRUE(tool.receiveType("qdwdebugstart"));
  tool.send(R"({"type":"teststart"})", port);
  ASSERT_TRUE(tool.receiveType("teststart"));
  int reports = 0;
  while (auto text = tool.receive(2000)) {
    if (member(*text, "type") != "epcinfo") continue;
    EXPECT_EQ(names(*text), (std::vector<std::string>{"type", "epc", "epclen", "antid", "rssi"}));
    if (++reports == 100) break;
  }
  EXPECT_EQ(reports, 100);
  EXPECT_FALSE(tool.receive(100)) << "nothing after --count reports";
  tool.send(R"({"type":"simstats"})", port);
  const auto stats = tool.receiveType("simstats");
  ASSERT_TRUE(stats);
  EXPECT_EQ(member(*stats, "reports"), "100");
  EXPECT_EQ(member(*stats, "replies"), "2");
  EXPECT_EQ(member(*stats, "send_errors"), "0");
  EXPECT_EQ(sim.stop(SIGINT), 0);
}

TEST(DevicesimProcess, SigusrOnePrintsTheCounters) {
  REQUIRE_SIMULATOR();
  Process sim({"--port", "0", "--heartbeat", "0"});
  const auto line = sim.readLine();
  ASSERT_TRUE(line);
  const std::uint16_t port = portOf(*line);
  // The handler is in place before the "listening" line is printed.
  sim.signal(SIGUSR1);
  const auto stats = sim.readLine();
  ASSERT_TRUE(stats);
  ASSERT_EQ(stats->rfind("stats ", 0), 0u) << *stats;
  EXPECT_EQ(member(stats->substr(6), "received"), "0");
  // ... and it goes on answering.
  Client tool;
  tool.send(R"({"type":"getgateway"})", port);
  const auto reply = tool.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(member(*reply, "ip"), "192.168.12.100");
  EXPECT_EQ(sim.stop(SIGTERM), 0);
}

TEST(DevicesimProcess, BadOptionsExitWithCodeTwo) {
  REQUIRE_SIMULATOR();
  for (std::vector<std::string> args :
       {std::vector<std::string>{"--rate", "fast"},
        std::vector<std::string>{"--bind", "192.168.12.1"},
        std::vector<std::string>{"--port", "70000"}, std::vector<std::string>{"--nonsense"}}) {
    Process sim(args);
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(sim.wait(), 2) << args[0];
  }
  Process help({"--help"});
  EXPECT_EQ(help.wait(), 0);
}

}  // namespace
